// The report window's commands: loading a file, the sorts of the line and trunk
// totals, the three exports and the About window.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <cerrno>
#include <system_error>

#include "app/AboutForm.h"
#include "app/MainForm_rep.h"
#include "app/Messages.h"
#include "app/QtText.h"
#include "app/ReportCosts.h"
#include "app/ViewGridModel.h"
#include "report/Export.h"
#include "report/Load.h"
#include "report/Session.h"
#include "report/Sort.h"
#include "report/WriteListToFile.h"
#include "ui_MainForm_rep.h"

namespace tallyvox::app {
namespace {

// A wait cursor while a large file loads or an export is written.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

std::string LocalFileName(const QString& fileName) {
    return QFile::encodeName(fileName).toStdString();
}

// Why a call file could not be read, in the user's words (the system's own text
// is English).
QString ReadFailureReason(int error) {
    switch (error) {
    case ENOENT:
        return QStringLiteral("файл не найден");
    case EACCES:
    case EPERM:
        return QStringLiteral("нет прав на чтение");
    case EISDIR:
        return QStringLiteral("это папка, а не файл");
    default:
        return QStringLiteral("системная ошибка %1").arg(error);
    }
}

} // namespace

void TMainForm_rep::LoadClick() {
    if (OpenDialog1->exec() != QDialog::Accepted || OpenDialog1->selectedFiles().isEmpty()) {
        return;
    }
    LoadFile(OpenDialog1->selectedFiles().constFirst());
}

void TMainForm_rep::LoadFile(const QString& fileName) {
    std::unique_ptr<report::TReportSession> loaded = NewSession();
    try {
        TBusyCursor busy;
        // An unreadable file throws here, before anything shown has changed.
        report::TCallFileSource source(QFile(fileName).filesystemFileName());
        loaded->Load(source, {}, true);
    } catch (const std::system_error& error) {
        ShowMessage(
            this,
            QStringLiteral("Не удалось прочитать файл \"%1\": %2.")
                .arg(QDir::toNativeSeparators(fileName), ReadFailureReason(error.code().value())),
            QCoreApplication::applicationName());
        return;
    }
    const QString caption = ToQString(report::LineCountCaption(loaded->LineCount()));
    ShowReport(std::move(loaded), caption);
    ReportLoaded();
}

std::unique_ptr<report::TReportSession> TMainForm_rep::NewSession() const {
    return std::make_unique<report::TReportSession>(report::TSessionTables{&Costs->Table});
}

void TMainForm_rep::ShowReport(std::unique_ptr<report::TReportSession> shown,
                               const QString& caption) {
    // The models let go of the old lists before these are released.
    DetachViews();
    Rows.reset();
    Report = std::move(shown);
    // The user may have changed the format since the last file.
    DateFormat = UserShortDateFormat();
    Rows.emplace(Report->Calls());
    AttachViews();
    Form->FileGroupBox->setTitle(caption);
}

void TMainForm_rep::BindSorts() {
    const std::pair<QAction*, report::TLineSortKey> lineSorts[] = {
        {Form->N3, report::TLineSortKey::HardwareLine},
        {Form->N4, report::TLineSortKey::ProgramNumber},
        {Form->N6, report::TLineSortKey::OutTraffic},
        {Form->N5, report::TLineSortKey::InTraffic},
        {Form->N7, report::TLineSortKey::TotalTraffic},
    };
    for (const auto& [action, key] : lineSorts) {
        connect(action, &QAction::triggered, this, [this, key = key] {
            LineModel->Refresh([&] { report::SortLines(Report->Lines(), key); });
        });
    }
    const std::pair<QAction*, report::TTrunkSortKey> trunkSorts[] = {
        {Form->N8, report::TTrunkSortKey::Trunk},
        {Form->N10, report::TTrunkSortKey::OutTraffic},
        {Form->N9, report::TTrunkSortKey::InTraffic},
        {Form->N11, report::TTrunkSortKey::TotalTraffic},
    };
    for (const auto& [action, key] : trunkSorts) {
        connect(action, &QAction::triggered, this, [this, key = key] {
            TrunkModel->Refresh([&] { report::SortTrunks(Report->Trunks(), key); });
        });
    }
}

void TMainForm_rep::N2Click() {
    Export(SaveDialog1,
           [this] { return std::make_unique<report::TCallExport>(*Rows, DateFormat); });
}

void TMainForm_rep::N12Click() {
    Export(SaveDialog2, [this] { return std::make_unique<report::TLineExport>(Report->Lines()); });
}

void TMainForm_rep::N13Click() {
    Export(SaveDialog3,
           [this] { return std::make_unique<report::TTrunkExport>(Report->Trunks()); });
}

void TMainForm_rep::Export(QFileDialog* dialog, const TExportSource& source) {
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return;
    }
    const QString fileName = dialog->selectedFiles().constFirst();
    if (QFileInfo::exists(fileName) &&
        !AskOkCancel(this, QStringLiteral("Такой файл уже существует. Перезапишем?"),
                     QStringLiteral("Предупреждение!"))) {
        return;
    }
    report::TWriteResult result;
    {
        TBusyCursor busy;
        // The existing file is replaced only once the new one is complete.
        result = report::SaveExport(*source(), LocalFileName(fileName));
    }
    if (!result.Written()) {
        LastErrno = result.Error;
        ShowMessage(this, ToQString(report::WriteErrorText()),
                    ToQString(report::WriteListMessage(result.Code, LastErrno)));
    }
}

} // namespace tallyvox::app
