#include "app/HandlerGuard.h"

#include <QCoreApplication>
#include <exception>

#include "app/Messages.h"
#include "app/QtText.h"
#include "exchange/CommError.h"
#include "exchange/LinkMessages.h"

namespace tallyvox::app {

void RunHandler(QWidget* parent, const std::function<void()>& handler) {
    const QString caption = QCoreApplication::applicationName();
    try {
        handler();
    } catch (const ECommError& error) {
        ShowMessage(parent, ToQString(messages::PortFailed(error)), caption);
    } catch (const std::exception&) {
        ShowMessage(parent,
                    QStringLiteral("Непредвиденная ошибка программы. Повторите действие; если "
                                   "ошибка повторится, перезапустите программу."),
                    caption);
    }
}

} // namespace tallyvox::app
