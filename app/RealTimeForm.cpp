#include "app/RealTimeForm.h"

#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QListWidget>
#include <QLocale>
#include <QScopedValueRollback>
#include <QTime>
#include <QTimer>

#include "app/FileDialogs.h"
#include "app/HandlerGuard.h"
#include "app/ListFont.h"
#include "app/LocalFormats.h"
#include "app/Messages.h"
#include "app/QtText.h"
#include "exchange/LowLevel.h"
#include "ui_RealTimeForm.h"

namespace tallyvox::app {
namespace {

const QString CheckBoxCaption = QStringLiteral("Записывать в файл: ");

QString HeaderLine(const TCalendarTime& now) {
    const QLocale locale;
    return QStringLiteral("****** Дата и время считывания: ") +
           locale.toString(QDate(now.Year, now.Month, now.Day), QLocale::ShortFormat) +
           QStringLiteral("   ") +
           locale.toString(QTime(now.Hour, now.Minute, now.Second), LongTimeFormat());
}

} // namespace

TRealTimeForm::TRealTimeForm(QWidget* parent, std::chrono::milliseconds tickInterval)
    : QDialog(parent), Form(std::make_unique<Ui::TRealTimeForm>()) {
    Form->setupUi(this);
    Form->ListBox1->setFont(ListFont());
    Form->UpDown1->SetAssociate(Form->StaticText1);
    RealTimeTimer = new QTimer(this);
    RealTimeTimer->setObjectName(QStringLiteral("RealTimeTimer"));
    RealTimeTimer->setInterval(tickInterval);
    connect(RealTimeTimer, &QTimer::timeout, this,
            [this] { RunHandler(this, [this] { RealTimeTimerTimer(); }); });
    connect(Form->WriteFileFlagCheckBox, &QCheckBox::clicked, this,
            [this] { WriteFileFlagCheckBoxClick(); });
    connect(Form->N2, &QAction::triggered, this,
            [this] { RunHandler(this, [this] { N2Click(); }); });
}

TRealTimeForm::~TRealTimeForm() = default;

void TRealTimeForm::SetLowLevel(boost::shared_ptr<TLowLevel> lowLevel) {
    LowLevel = std::move(lowLevel);
}

void TRealTimeForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TRealTimeForm::hideEvent(QHideEvent* event) {
    // Closing only stops the queries: the list, the box, the period and an open
    // log stay as they are for the next showing.
    RealTimeTimer->stop();
    QDialog::hideEvent(event);
}

void TRealTimeForm::FormShow() {
    RealTimeTimer->start();
    ShowFileName();
    WriteCounter = 1;
}

void TRealTimeForm::WriteFileFlagCheckBoxClick() {
    WriteCounter = 1;
}

void TRealTimeForm::RealTimeTimerTimer() {
    if (InTick || !LowLevel) {
        return;
    }
    const QScopedValueRollback inTick(InTick, true);
    if (LowLevel->QueryRealTime() != 1) {
        return;
    }
    ShowSnapshot();
    // A period lowered below the count already reached is a write point at once,
    // not one that never comes.
    if (WriteCounter < WritePeriod()) {
        ++WriteCounter;
        return;
    }
    WriteCounter = 1;
    WritePoint();
}

void TRealTimeForm::ShowSnapshot() {
    Form->ListBox1->clear();
    Form->ListBox1->addItem(HeaderLine(LowLevel->Clock().LocalNow()));
    for (int i = 0; i < LowLevel->RealTimeLineCount; ++i) {
        Form->ListBox1->addItem(ToQString(LowLevel->RealTimeLines[i]));
    }
}

void TRealTimeForm::WritePoint() {
    const QCheckBox* box = Form->WriteFileFlagCheckBox;
    if (!box->isChecked() || !box->isEnabled()) {
        LogStream.Close();
        return;
    }
    if (!LogStream.Open(LowLevel->RealTimeFileName)) {
        StopLogging(QStringLiteral("Не удалось открыть или создать файл "));
        return;
    }
    if (!LogStream.Append(ListLines())) {
        StopLogging(QStringLiteral("Не удалось записать данные в файл "));
    }
}

// A log that cannot be written is reported once: the box is unticked, so the
// next write point does not try again until the user ticks it. The list goes on.
void TRealTimeForm::StopLogging(const QString& reason) {
    LogStream.Close();
    Form->WriteFileFlagCheckBox->setChecked(false);
    ShowMessage(this,
                reason + ToQString(LowLevel->RealTimeFileName) +
                    QStringLiteral(". Запись в файл отключена."),
                QStringLiteral("Ошибка!"));
}

void TRealTimeForm::N2Click() {
    const bool named = !LowLevel->RealTimeFileName.empty();
    const std::unique_ptr<QFileDialog> dialog =
        MakeFileDialog(this, named || DialogFolder.empty() ? LowLevel->StartPath : DialogFolder);
    dialog->setObjectName(QStringLiteral("OpenDialog1"));
    dialog->setDefaultSuffix(QStringLiteral("log"));
    dialog->selectFile(named ? ToQString(LowLevel->RealTimeFileName) : DialogFile);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return;
    }
    const QString selected = dialog->selectedFiles().constFirst();
    DialogFolder = dialog->directory().filesystemAbsolutePath();
    DialogFile = selected;
    const std::string chosen = ToCp1251(QDir::toNativeSeparators(selected));
    LowLevel->WriteOutConfig(LowLevel->TariffFileName, chosen);
    if (chosen != LowLevel->RealTimeFileName) {
        Form->ListBox1->clear();
        // The open log belongs to the file no longer chosen.
        LogStream.Close();
    }
    LowLevel->RealTimeFileName = chosen;
    ShowFileName();
    emit LogFileChosen();
}

void TRealTimeForm::ShowFileName() {
    Form->WriteFileFlagCheckBox->setEnabled(!LowLevel->RealTimeFileName.empty());
    Form->WriteFileFlagCheckBox->setText(CheckBoxCaption + ToQString(LowLevel->RealTimeFileName));
}

int TRealTimeForm::WritePeriod() const {
    return Form->StaticText1->text().toInt();
}

std::vector<std::string> TRealTimeForm::ListLines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < Form->ListBox1->count(); ++i) {
        lines.push_back(ToCp1251(Form->ListBox1->item(i)->text()));
    }
    return lines;
}

} // namespace tallyvox::app
