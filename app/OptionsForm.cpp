#include "app/OptionsForm.h"

#include <QPushButton>

#include "app/ExchangeConnector.h"
#include "app/HandlerGuard.h"
#include "app/Messages.h"
#include "app/QtText.h"
#include "exchange/LowLevel.h"
#include "ui_OptionsForm.h"

namespace tallyvox::app {

TOptionsForm::TOptionsForm(QWidget* parent) : QDialog(parent), Form(new Ui::TOptionsForm) {
    Form->setupUi(this);
    // A port error while switching (closing the old port, identifying on the new
    // one) ends the OK handling where it happens and is reported; it must not
    // cross the dialog's event loop.
    connect(Form->Button2, &QPushButton::clicked, this,
            [this] { RunHandler(this, [this] { Button2Click(); }); });
    connect(Form->Button1, &QPushButton::clicked, this, &TOptionsForm::Button1Click);
}

TOptionsForm::~TOptionsForm() = default;

void TOptionsForm::SetLowLevel(boost::shared_ptr<TLowLevel> lowLevel) {
    LowLevel = std::move(lowLevel);
}

void TOptionsForm::SetConnector(TExchangeConnector* connector) {
    Connector = connector;
}

void TOptionsForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TOptionsForm::FormShow() {
    // A port name that is not in the list ("COM" after a damaged settings file)
    // keeps the previous selection.
    const int index = Form->COMPortComboBox->findText(
        ToQString(LowLevel->GetPortName()), Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index >= 0) {
        Form->COMPortComboBox->setCurrentIndex(index);
    }
    (LowLevel->SaveHeader ? Form->SaveTitleRadioButton : Form->NotSaveTitleRadioButton)
        ->setChecked(true);
}

void TOptionsForm::Button2Click() {
    LowLevel->Port->Close();
    const std::string portName = ToCp1251(Form->COMPortComboBox->currentText());
    LowLevel->SetPortName(portName);
    if (Connector != nullptr) {
        Connector->ConnectExchange(LowLevel->GetPortName());
        Connector->RefreshStatus();
    }
    if (LowLevel->WriteSettings(portName, Form->SaveTitleRadioButton->isChecked()) !=
        TLowLevel::ConfigDone) {
        ShowMessage(this, QStringLiteral("Произошел сбой при записи файла конфигурации."),
                    QStringLiteral("Ошибка!"));
    }
    accept();
}

void TOptionsForm::Button1Click() {
    reject();
}

} // namespace tallyvox::app
