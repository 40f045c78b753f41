// The report window's selection panel: the calls of one subscriber and/or of
// dialled numbers that begin with given digits.

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "app/MainForm_rep.h"
#include "app/QtText.h"
#include "app/ReportCosts.h"
#include "app/ViewGridModel.h"
#include "ui_MainForm_rep.h"

namespace tallyvox::app {
namespace {

// The digits of a text, in their order: the subscriber edit shows unfilled
// places as underscores, which are display only.
std::string DigitsOf(const QString& text) {
    std::string digits;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits.push_back(static_cast<char>(c.unicode()));
        }
    }
    return digits;
}

} // namespace

void TMainForm_rep::SetUpSelectionPanel() {
    // Only digits get into the prefix, whether typed or pasted.
    Form->FilterEdit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]*")), Form->FilterEdit));
    connect(Form->MaskEdit1, &QLineEdit::returnPressed, this, [this] { Button4Click(); });
    connect(Form->FilterEdit, &QLineEdit::returnPressed, this, [this] { Button4Click(); });
    connect(Form->Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(Form->Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
}

void TMainForm_rep::N1Click() {
    Form->ALQueryPanel->raise();
    Form->ALQueryPanel->show();
    Form->MaskEdit1->setFocus();
}

void TMainForm_rep::Button4Click() {
    report::TSelection selection;
    selection.Subscriber = DigitsOf(Form->MaskEdit1->text());
    selection.ByHardwareLine = Form->RadioButton2->isChecked();
    selection.Prefix = ToCp1251(Form->FilterEdit->text());
    CallModel->Refresh([&] { Rows = report::SelectCalls(Report->Calls(), selection); });
    Button5Click();
}

void TMainForm_rep::Button5Click() {
    Form->ALQueryPanel->hide();
    Form->StringGrid1->setFocus();
}

} // namespace tallyvox::app
