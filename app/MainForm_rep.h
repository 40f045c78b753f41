#pragma once
// The report window: loads a call-accounting file into the report model and shows
// its calls, line totals and trunk totals in three grids, with the sorts, the
// selection of calls and the three exports. Every figure and every exported byte
// comes from the report model; the window only shows it. Created once, shown
// modally by the main window, UI thread only.

#include <QDateTime>
#include <QDialog>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "report/CostViews.h"
#include "report/DateFormat.h"
#include "report/Directory.h"
#include "report/Period.h"
#include "report/Selection.h"
#include "report/Tariff.h"
#include "report/WriteResult.h"

namespace tallyvox::report {
class TExportLines;
class TReportSession;
} // namespace tallyvox::report

class QFileDialog;
class QMenu;
class QTableView;

namespace Ui {
class TMainForm_rep;
}

namespace tallyvox::app {

class TAboutForm;
class TChartsView;
class TViewGridModel;
struct TReportCosts;

class TMainForm_rep : public QDialog {
    Q_OBJECT

public:
    explicit TMainForm_rep(QWidget* parent = nullptr);
    ~TMainForm_rep() override;

    // The folder where the open dialog and the three save dialogs start.
    void SetInitialDir(const std::filesystem::path& folder);
    // The About window that "О программе." opens; it lives as long as this window.
    void SetAboutForm(TAboutForm* about);

    // Loads a call-accounting file and shows it: what "Загрузить" does once the
    // open dialog has closed. A file that cannot be read is reported in a message
    // box and changes nothing.
    void LoadFile(const QString& fileName);
    // The "Графики" window, drawn from the calls this window shows.
    TChartsView* ChartsWindow() const;

    // The period the views show (whole when none is chosen) and the tariff table
    // they are priced by (empty when none is loaded). PeriodOrTariffsChanged
    // follows every change of either, once the views show it.
    report::TPeriod CurrentPeriod() const;
    const report::TTariffTable& Tariffs() const;
    // Loads a tariff table and remembers it, as "Загрузить тарифы..." does once
    // its dialog has closed; false, after saying why, when it is refused.
    bool LoadTariffs(const QString& fileName);
    // The office directory (empty when none is loaded), loaded and remembered
    // as "Загрузить справочник..." does; false, after saying why, when refused.
    const report::TDirectory& Directory() const;
    bool LoadDirectory(const QString& fileName);
    // Shows the calls of a period; a whole period shows every call.
    void SetPeriod(const report::TPeriod& period);
    // Where the period presets count from: the clock unless a test fixes it.
    void SetClock(std::function<QDateTime()> now);

signals:
    void PeriodOrTariffsChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Every way of closing ends here (the frame, Escape, done()).
    void done(int result) override;
    // The resize rules of the boxes and the grid columns.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Construction.
    QFileDialog* MakeDialog(const char* name, bool save);
    void BindCommands();
    void BindSorts();
    void BindPopup(QTableView* grid, QMenu* menu);
    void SetUpSelectionPanel();
    void SetUpCharts();

    // Life cycle and layout.
    void FormShow();
    void FormClose();
    void PlaceOnScreen();
    void LayOutBoxes();
    void LayOutColumns(QTableView* grid);

    // Commands.
    void LoadClick();
    void AboutMenuItemClick();
    void N1Click();
    void Button4Click();
    void Button5Click();
    void N2Click();
    void N12Click();
    void N13Click();

    // Steps shared by the commands.
    // A report session priced by the window's tariff table.
    std::unique_ptr<report::TReportSession> NewSession() const;
    void ShowReport(std::unique_ptr<report::TReportSession> shown, const QString& caption);
    // The grids' models let go of the views, or show the views of the shown
    // rows (the first columns of each, without totals, when not priced).
    void DetachViews();
    void AttachViews();
    // A view of the shown rows as the grids and the exports show it: with the
    // directory's names while one is loaded.
    const report::TReportView& ShownView(report::TViewKind kind) const;
    // Makes the lines of an export from the lists shown at that moment.
    using TExportSource = std::function<std::unique_ptr<report::TExportLines>()>;
    // The lists may be replaced while a dialog is open (the period bar's pause
    // ends then), so the lines are made only once both dialogs have closed.
    void Export(QFileDialog* dialog, const TExportSource& source);
    void UpdateCharts();

    // Costs and periods (MainForm_repCosts.cpp).
    void SetUpCosts();
    void SetUpPeriodBar();
    // The destination view beside the boxes in a wide window, below them in a
    // narrow one.
    void PlaceDestinations();
    void SetUpCostCommands();
    void DropCosts();
    void ReportLoaded();
    void LoadRememberedTariffs();
    void LoadTariffsClick();
    void LoadRememberedDirectory();
    void FillDepartments();
    void DepartmentChosen(int index);
    void LoadDirectoryClick();
    void SaveExcelClick();
    void SaveCsvClick(report::TViewKind kind);
    // "Отделы" (false) or "Центры затрат" (true) to a CSV file.
    void SaveDirectoryCsvClick(bool costCentres);
    void PresetChosen(int index);
    void PickersChanged();
    // Shows the calls of the period, and on the pickers what the period is (the
    // file's first and last day under "Все звонки").
    void ApplyPeriod();
    void ShowCallsOfPeriod();
    void ShowPeriodOnPickers();
    // Shows the views of the shown report, priced or not, and what they show.
    void ShowViews();
    void ShowCostGrids(bool priced);
    QString SaveTarget(QFileDialog* dialog);
    // Says why a spreadsheet file was not written, if it was not.
    void TellUnsaved(const QString& fileName, const report::TWriteResult& result);

    std::unique_ptr<Ui::TMainForm_rep> Form;
    QFileDialog* OpenDialog1 = nullptr;
    QFileDialog* SaveDialog1 = nullptr;
    QFileDialog* SaveDialog2 = nullptr;
    QFileDialog* SaveDialog3 = nullptr;
    TAboutForm* AboutForm = nullptr;
    TChartsView* Charts = nullptr;

    // The report shown; never empty: an empty report before the first load and
    // after closing.
    std::unique_ptr<report::TReportSession> Report;
    // The calls the call grid shows: all of them, or those of the selection.
    std::optional<report::TCallRows> Rows;
    // The user's short date format, taken at every load.
    report::TDateFormat DateFormat;
    TViewGridModel* CallModel = nullptr;
    TViewGridModel* LineModel = nullptr;
    TViewGridModel* TrunkModel = nullptr;
    // The caption of the calls' box while no file is shown.
    QString EmptyCaption;
    // The error number of the last failed export.
    int LastErrno = 0;
    // The tariff table, the period and the priced views.
    std::unique_ptr<TReportCosts> Costs;
};

} // namespace tallyvox::app
