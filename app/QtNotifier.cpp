#include "app/QtNotifier.h"

#include <cstdlib>

#include "app/Messages.h"
#include "app/QtText.h"
#include "app/UiThread.h"

namespace tallyvox::app {

TQtNotifier::TQtNotifier(QWidget* parent) : Parent(parent) {}

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
        std::exit(status);
    }
}

void TQtNotifier::SetBeforeTerminate(TBeforeTerminate beforeTerminate) {
    BeforeTerminate = std::move(beforeTerminate);
}

} // namespace tallyvox::app
