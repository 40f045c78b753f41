// The main window's menu commands that are not reads: the call-accounting file,
// the list, the other windows, exit.

#include <QDir>
#include <QFileDialog>
#include <QListWidget>

#include "app/AboutForm.h"
#include "app/FileDialogs.h"
#include "app/MainForm.h"
#include "app/MainForm_rep.h"
#include "app/Messages.h"
#include "app/OptionsForm.h"
#include "app/QtText.h"
#include "app/RealTimeForm.h"
#include "model/ModelTraits.h"
#include "ui_MainForm.h"

namespace tallyvox::app {
namespace {

// Where the dialogs opened from this window appear, from its top-left corner.
const QPoint OptionsOffset(25, 25);
const QPoint AboutOffset(20, 20);
const QPoint RealTimeOffset(20, 10);

} // namespace

void TMainForm::SelectFileFromData_MenuItemClick() {
    if (ReadInProgress()) {
        return;
    }
    // The reader thread of a stopped read may still be appending to the file.
    WaitForReader();
    const std::unique_ptr<QFileDialog> dialog = MakeFileDialog(this, LowLevel_->StartPath);
    dialog->setObjectName(QStringLiteral("OpenDialog1"));
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    const std::string inUse = LowLevel_->TariffFileName;
    dialog->selectFile(inUse.empty() ? QStringLiteral("list") : ToQString(inUse));
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
        const QString chosen = QDir::toNativeSeparators(dialog->selectedFiles().constFirst());
        LowLevel_->TariffFileName = ToCp1251(chosen);
        LowLevel_->WriteOutConfig(LowLevel_->TariffFileName, LowLevel_->RealTimeFileName);
        // The list shows the lines of the file in use; another file starts it afresh.
        if (LowLevel_->TariffFileName != inUse) {
            Ui_->ListBox1->clear();
        }
        ShowStatus();
        return;
    }
    LowLevel_->WriteOutConfig(LowLevel_->TariffFileName, LowLevel_->RealTimeFileName);
}

void TMainForm::Report_MenuItemClick() {
    ReportForm->SetInitialDir(LowLevel_->StartPath);
    ReportForm->exec();
}

void TMainForm::ExitMenuItemClick() {
    close();
}

void TMainForm::RealTime_MenuItemClick() {
    if (ReadInProgress()) {
        return;
    }
    const TModelTraits* model = ModelNamed(LowLevel_->Status.ModelName, TNameMatch::Contains);
    if (!model || !model->RealTimeSupported) {
        ShowMessage(this, QStringLiteral("Данная функция работает только с Arden-S/L"),
                    QStringLiteral("Предупреждение"));
        return;
    }
    // The window queries on this thread: a stopped read must have let go of the port.
    WaitForReader();
    RealTimeForm->SetLowLevel(LowLevel_);
    RealTimeForm->move(frameGeometry().topLeft() + RealTimeOffset);
    RealTimeForm->exec();
}

void TMainForm::ClearListMenuItemClick() {
    Ui_->ListBox1->clear();
}

void TMainForm::OptionsMenuItemClick() {
    if (ReadInProgress()) {
        return;
    }
    // The dialog reopens the port: a stopped read must have let go of it.
    WaitForReader();
    OptionsForm->SetLowLevel(LowLevel_);
    OptionsForm->SetConnector(this);
    OptionsForm->move(frameGeometry().topLeft() + OptionsOffset);
    OptionsForm->exec();
}

void TMainForm::AboutMenuItemClick() {
    AboutForm->ShowAt(frameGeometry().topLeft() + AboutOffset);
}

} // namespace tallyvox::app
