#pragma once
// What the report window keeps for its costs and periods: the tariff table, the
// period, the whole file while a period narrows it, the priced views and the
// controls that show them. UI thread only.

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "report/CostViews.h"
#include "report/Costs.h"
#include "report/Directory.h"
#include "report/DirectoryViews.h"
#include "report/Period.h"
#include "report/Session.h"
#include "report/ShownViews.h"
#include "report/Tariff.h"

class QAction;
class QBoxLayout;
class QComboBox;
class QDateTimeEdit;
class QFileDialog;
class QGroupBox;
class QLabel;
class QSpinBox;
class QTableView;
class QTimer;

namespace tallyvox::app {

class TViewGridModel;

struct TReportCosts {
    report::TTariffTable Table;
    // The office directory; empty while none is loaded.
    report::TDirectory Directory;
    // How many last digits of every dialled number the views show as X.
    unsigned MaskDigits = 0;
    // The one department whose calls are shown (Windows-1251); empty for all.
    std::string Department;
    report::TPeriod Period;
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
    // The folder of "TallyvoxOut.cfg": the start directory.
    QString ConfigDir;
    bool RememberedTried = false;
    bool RememberedDirectoryTried = false;
    // The whole file while a period narrows the shown report; empty while the
    // shown report is the whole file.
    std::unique_ptr<report::TReportSession> FileReport;
    // The views over the shown report, and the first columns of those the
    // grids show while nothing is priced.
    std::unique_ptr<report::TCostViews> Views;
    // The views with the directory's names, while a directory is loaded.
    std::unique_ptr<report::TShownViews> Shown;
    // The department and cost-centre views, while a directory is loaded.
    std::unique_ptr<report::TDirectoryViews> DirectoryViews;
    std::vector<std::unique_ptr<report::TReportView>> UnpricedViews;

    TViewGridModel* Destinations = nullptr;
    QComboBox* Presets = nullptr;
    QDateTimeEdit* From = nullptr;
    QDateTimeEdit* To = nullptr;
    QLabel* TariffLabel = nullptr;
    QSpinBox* MaskBox = nullptr;
    QComboBox* Departments = nullptr;
    QLabel* TotalLabel = nullptr;
    // The window's boxes and the destination view, side by side or one above
    // the other.
    QBoxLayout* Panels = nullptr;
    QGroupBox* DestinationBox = nullptr;
    QTableView* DestinationGrid = nullptr;
    QTimer* PickerPause = nullptr;
    QFileDialog* TariffDialog = nullptr;
    QFileDialog* DirectoryDialog = nullptr;
    QFileDialog* ExcelDialog = nullptr;
    QFileDialog* CsvDialog = nullptr;
    QAction* DepartmentsCsv = nullptr;
    QAction* CostCentresCsv = nullptr;
};

} // namespace tallyvox::app
