#include "app/HandlerGuard.h"

#include <QCoreApplication>
#include <exception>

#include "app/Messages.h"

namespace tallyvox::app {

void RunHandler(QWidget* parent, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowMessage(parent, QString::fromUtf8(error.what()), QCoreApplication::applicationName());
    }
}

} // namespace tallyvox::app
