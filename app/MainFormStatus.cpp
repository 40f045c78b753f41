// The exchange status display: connecting, refreshing from stored values, the
// no-exchange state and "Обновить".

#include <QDate>
#include <QDateEdit>
#include <QLabel>
#include <QTime>
#include <QTimeEdit>
#include <optional>
#include <string>

#include "app/Gauge.h"
#include "app/MainForm.h"
#include "app/Messages.h"
#include "app/QtText.h"
#include "exchange/LinkMessages.h"
#include "ui_MainForm.h"

namespace tallyvox::app {
namespace {

// The pickers show the exchange clock half-way into its second.
constexpr int PickerMilliseconds = 500;
constexpr int NoExchangeGaugeMax = 100;

const std::array<QString, 5>& PanelLabels() {
    static const std::array<QString, 5> labels = {
        QStringLiteral("АТС: "), QStringLiteral("ПО вер. "), QStringLiteral("Зав. номер : "),
        QStringLiteral("Емкость буфера : "), QStringLiteral("В буфере : ")};
    return labels;
}

// A port that another program holds says so, and who it is, below the message.
QString PortOpenFailure(const std::string& portName, const std::optional<TPortHolder>& holder) {
    QString text = QStringLiteral("Ошибка при открытии СОМ-порта.");
    if (holder) {
        text += QLatin1Char('\n') + ToQString(messages::PortInUse(portName, *holder));
    }
    return text;
}

} // namespace

int TMainForm::ConnectExchange(const std::string& portName) {
    const int opened = LowLevel_->OpenPort(portName);
    if (opened != TLowLevel::PortOpened && opened != TLowLevel::PortAlreadyOpen) {
        ShowMessage(this, PortOpenFailure(portName, LowLevel_->Port->Holder()),
                    QStringLiteral("Ошибка!"));
        return PortNotOpened;
    }
    if (LowLevel_->Identify() < 0) {
        ShowNoExchange();
        return ExchangeSilent;
    }
    ShowExchangePanels();
    ShowFileNames();
    ShowGauge(LowLevel_->Status.BufferCapacity, LowLevel_->Status.BufferFill);
    ShowExchangeClock();
    repaint();
    return Connected;
}

void TMainForm::RefreshStatus() {
    Ui_->StatusBar1->repaint();
    update();
}

void TMainForm::ShowStatus() {
    ShowExchangePanels();
    ShowFileNames();
    ShowGauge(LowLevel_->Status.BufferCapacity, BufferFillToShow());
    if (!LowLevel_->FirstRun) {
        ShowExchangeClock();
    }
    if (!LowLevel_->Continuous) {
        UnInterruptPanel->clear();
    }
}

void TMainForm::ShowNoExchange() {
    for (std::size_t i = 0; i < PanelLabels().size(); ++i) {
        StatusPanels[i]->setText(PanelLabels()[i] + QLatin1Char('-'));
    }
    ShowGauge(NoExchangeGaugeMax, 0);
    ShowComputerClock();
}

void TMainForm::ReloadToolButtonClick() {
    if (ReadInProgress()) {
        return;
    }
    // A stopped read may still be finishing its record on the port.
    WaitForReader();
    LowLevel_->Port->Close();
    // Refreshing from the stored values after a failed connection would show
    // the lost exchange again in place of the dash texts.
    if (ConnectExchange(LowLevel_->PortName) > 0) {
        ShowStatus();
    }
}

void TMainForm::ShowExchangePanels() {
    const TStatus& status = LowLevel_->Status;
    const std::array<QString, 5> values = {
        ToQString(status.ModelName), ToQString(status.Version), ToQString(status.SerialNumber),
        QString::number(status.BufferCapacity), QString::number(BufferFillToShow())};
    for (std::size_t i = 0; i < values.size(); ++i) {
        StatusPanels[i]->setText(PanelLabels()[i] + values[i]);
    }
}

void TMainForm::ShowFileNames() {
    Ui_->TarifFileNameStatusBar_Panel1->setText(ToQString(LowLevel_->TariffFileName));
    Ui_->RealTimeFileNameStatusBar_Panel1->setText(ToQString(LowLevel_->RealTimeFileName));
}

void TMainForm::ShowGauge(int capacity, int fill) {
    Ui_->CGauge1->SetRange(0, capacity, fill);
}

void TMainForm::ShowExchangeClock() {
    const TCalendarTime& clock = LowLevel_->Status.ExchangeClock;
    DatePicker->setDate(QDate(clock.Year, clock.Month, clock.Day));
    TimePicker->setTime(QTime(clock.Hour, clock.Minute, clock.Second, PickerMilliseconds));
}

void TMainForm::ShowComputerClock() {
    const TCalendarTime now = Clock->LocalNow();
    DatePicker->setDate(QDate(now.Year, now.Month, now.Day));
    TimePicker->setTime(QTime(now.Hour, now.Minute, now.Second));
}

int TMainForm::BufferFillToShow() const {
    return ReaderRunning() ? HandedOverFill : LowLevel_->Status.BufferFill;
}

} // namespace tallyvox::app
