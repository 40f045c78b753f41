// Start-up of the main window: the exchange object, the settings, the first-run
// notice, the connection and the automatic start.

#include <QMetaObject>
#include <fstream>
#include <iterator>

#include "app/AlertsPanel.h"
#include "app/HandlerGuard.h"
#include "app/MainForm.h"
#include "app/Messages.h"
#include "callfile/RecordHandler.h"
#include "settings/OutConfig.h"
#include "ui_MainForm.h"

namespace tallyvox::app {
namespace {

QString FirstRunNotice() {
    return QStringLiteral("Это первый запуск программы Tallyvox(возможно были удалены файлы "
                          "конфигурации). Выберите пункт ") +
           QLatin1Char('"') + QStringLiteral("Настройки") + QLatin1Char('"') +
           QStringLiteral(" и установите номер СОМ-порта ");
}

} // namespace

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (StartupBegun) {
        return;
    }
    StartupBegun = true;
    // Queued, so that the window is on the screen before the link is tried.
    QMetaObject::invokeMethod(
        this,
        [this] {
            RunHandler(this, [this] { FormShow(); });
            EndAutomaticRunThatCannotRead();
            emit StartupFinished();
        },
        Qt::QueuedConnection);
}

void TMainForm::FormShow() {
    ExitAfterRead_ = false;
    LowLevel_ = boost::shared_ptr<TLowLevel>(new TLowLevel(Clock, Notifier));
    RecordHandler = std::make_unique<callfile::TRecordHandler>(LowLevel_, &RecordBridge);
    Session = boost::shared_ptr<capture::TReadSession>(
        new capture::TReadSession(LowLevel_, *RecordHandler));
    Automatic = LowLevel_->AutoStart == AutoStartOnce;
    if (Automatic) {
        SetUnattended(true);
    }
    if (LowLevel_->ReadSettings() != TLowLevel::ConfigDone) {
        ShowMessage(this, QStringLiteral("Исключение при открытии/чтении файла конфигурации."),
                    QStringLiteral("Ошибка!"));
    }
    if (LowLevel_->FirstRun) {
        ShowMessage(this, FirstRunNotice(), QStringLiteral("Уведомление"));
        // An automatic run keeps the output configuration as it is: the next
        // scheduled run finds its call file and its automatic start there and
        // reads with the settings just created, instead of waiting for a person.
        if (!Automatic) {
            LowLevel_->SetAsideOutConfig();
        }
        return;
    }
    FollowAlertRules();
    if (ConnectExchange(LowLevel_->PortName) != Connected) {
        ShowComputerClock();
        return;
    }
    AutoStart();
}

// The rules that "TallyvoxOut.cfg" names (ALERTS=) follow the call file's lines
// from the first read on.
void TMainForm::FollowAlertRules() {
    std::ifstream file(LowLevel_->StartPath / OutConfigFileName, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const TAlertsFollow follow = FollowAlerts(Ui_->StatusBar1, text, LowLevel_->TariffFileName);
    if (follow.Panel) {
        Ui_->StatusBar1Layout->addWidget(follow.Panel);
        RecordHandler->Writer().SetObserver(follow.Observer);
    }
}

void TMainForm::AutoStart() {
    if (LowLevel_->AutoStart == AutoStartOnce) {
        ExitAfterRead_ = true;
        LoadFromATSMenuItemClick();
    } else if (LowLevel_->AutoStart == AutoStartContinuous) {
        ReadUninterruptMenuItemClick();
    }
}

} // namespace tallyvox::app
