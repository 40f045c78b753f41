#include "app/QtNotifier.h"

#include <cstdlib>
#include <utility>

#include "app/Messages.h"
#include "app/QtText.h"
#include "app/UiThread.h"

namespace tallyvox::app {

TQtNotifier::TQtNotifier(QWidget* parent, TExit exit) : Parent(parent), Exit(std::move(exit)) {
    if (!Exit) {
        Exit = [](int status) { std::exit(status); };
    }
}

void TQtNotifier::ShowMessage(const std::string& text, const std::string& caption) {
    const QString shownText = ToQString(text);
    const QString shownCaption = ToQString(caption);
    RunOnUiThread([&] { app::ShowMessage(Parent.data(), shownText, shownCaption); });
}

void TQtNotifier::Terminate(int status) {
    bool mayEnd = true;
    if (BeforeTerminate) {
        RunOnUiThread([&] { mayEnd = BeforeTerminate(status); });
    }
    if (mayEnd) {
        Exit(status);
    }
}

void TQtNotifier::SetBeforeTerminate(TBeforeTerminate beforeTerminate) {
    BeforeTerminate = std::move(beforeTerminate);
}

} // namespace tallyvox::app
