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
    std::exit(status);
}

} // namespace tallyvox::app
