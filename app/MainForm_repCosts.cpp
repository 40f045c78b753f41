// The report window's costs and periods: the tariff table (loaded from the menu
// and remembered in the output configuration file), the period bar with its
// presets, the priced grids beside the destination view, and the spreadsheet
// exports. Every figure comes from the report's priced views.

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "app/HandlerGuard.h"
#include "app/MainForm_rep.h"
#include "app/Messages.h"
#include "app/QtText.h"
#include "app/ReportCosts.h"
#include "app/ViewGridModel.h"
#include "report/CostViews.h"
#include "report/Costs.h"
#include "report/CsvExport.h"
#include "report/DepartmentSource.h"
#include "report/DirectoryReader.h"
#include "report/DirectoryViews.h"
#include "report/ShownViews.h"
#include "report/TariffReader.h"
#include "report/Totals.h"
#include "report/Workbook.h"
#include "settings/OutConfig.h"
#include "settings/ReplaceFile.h"
#include "ui_MainForm_rep.h"

namespace tallyvox::app {

namespace {

constexpr int CustomPreset = 7; // after "Все звонки" and the six presets
constexpr int PickerPauseMs = 400;
// More than any dialled number has.
constexpr int MaxMaskDigits = 20;
// Pixels between the tariff text, the masking and the department filter.
constexpr int CostRowGap = 12;
constexpr int MaxFaultsShown = 15;
// The destination view beside the window's boxes, wide enough for its columns,
// in a window wide enough to leave the priced grids their columns; in a
// narrower one it goes below the boxes, as high as a few destinations.
constexpr int DestinationWidth = 430;
constexpr int DestinationsBesideFrom = 1300;
constexpr int DestinationHeight = 150;

report::TDateTime ToDateTime(const QDateTime& moment) {
    return {static_cast<std::uint16_t>(moment.date().year()),
            static_cast<std::uint8_t>(moment.date().month()),
            static_cast<std::uint8_t>(moment.date().day()),
            static_cast<std::uint8_t>(moment.time().hour()),
            static_cast<std::uint8_t>(moment.time().minute()),
            static_cast<std::uint8_t>(moment.time().second())};
}

QDateTime ToQDateTime(const report::TDateTime& moment) {
    return {QDate(moment.Year, moment.Month, moment.Day),
            QTime(moment.Hour, moment.Minute, moment.Second)};
}

std::string LocalName(const QString& fileName) {
    return QFile::encodeName(fileName).toStdString();
}

QString OutConfigPath(const TReportCosts& costs) {
    return QDir(costs.ConfigDir).filePath(QString::fromLatin1(OutConfigFileName));
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The faults of a refused table, the first of them if there are many.
QString FaultText(const report::ETableError& error) {
    QString text;
    const auto& faults = error.Faults();
    for (std::size_t i = 0; i < faults.size() && i < MaxFaultsShown; ++i) {
        text += QStringLiteral("строка %1: %2\n")
                    .arg(faults[i].Line)
                    .arg(QString::fromStdString(faults[i].What));
    }
    const std::size_t notShown =
        faults.size() - std::min<std::size_t>(faults.size(), MaxFaultsShown) + error.More();
    if (notShown > 0) {
        text += QStringLiteral("... и ещё %1").arg(notShown);
    }
    return text;
}

// A table file read by read: none when it is refused (refused names the file
// and is followed by its faults) or cannot be read; the user is told which.
template <class TTable>
std::optional<TTable> ReadTableFile(QWidget* parent, const QString& fileName,
                                    const QString& refused,
                                    TTable (*read)(const std::filesystem::path&)) {
    try {
        return read(QFile(fileName).filesystemFileName());
    } catch (const report::ETableError& error) {
        ShowMessage(parent, refused.arg(QDir::toNativeSeparators(fileName), FaultText(error)),
                    QCoreApplication::applicationName());
    } catch (const std::system_error& error) {
        ShowMessage(parent,
                    QStringLiteral("Не удалось прочитать файл \"%1\": %2.")
                        .arg(QDir::toNativeSeparators(fileName),
                             QString::fromLocal8Bit(error.code().message())),
                    QCoreApplication::applicationName());
    }
    return std::nullopt;
}

// Puts a table's name into the output configuration file (with: WithTariffTable
// or WithDirectory), which is replaced as a whole; one whose old lines cannot be
// read is left alone, so the call file name and the automatic start in it are
// never lost.
using TWithLine = std::string (*)(std::string_view, std::string_view);
bool Remember(const QString& config, const QString& tableFile, TWithLine with) {
    QFile old(config);
    QByteArray lines;
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly)) {
            return false;
        }
        lines = old.readAll();
        if (old.error() != QFileDevice::NoError) {
            return false;
        }
    }
    // Not QSaveFile: it takes a write that a full disk cut short for a whole one.
    return ReplaceFile(old.filesystemFileName(), with(lines.toStdString(), ToCp1251(tableFile)));
}

QTableView* NewGrid(QWidget* parent, QAbstractItemModel* model) {
    auto* grid = new QTableView(parent);
    grid->setModel(model);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    return grid;
}

} // namespace

void TMainForm_rep::SetUpCosts() {
    Costs->ConfigDir = QDir::currentPath();
    Costs->Destinations = new TViewGridModel(this);
    Costs->TariffDialog = MakeDialog("TariffDialog", false);
    Costs->TariffDialog->setNameFilter(QStringLiteral("Тарифы (*.csv *.txt);;Все файлы (*)"));
    Costs->DirectoryDialog = MakeDialog("DirectoryDialog", false);
    Costs->DirectoryDialog->setNameFilter(
        QStringLiteral("Справочник (*.csv *.txt);;Все файлы (*)"));
    Costs->ExcelDialog = MakeDialog("ExcelDialog", true);
    Costs->ExcelDialog->setNameFilter(QStringLiteral("Книга Excel (*.xlsx)"));
    Costs->ExcelDialog->setDefaultSuffix(QStringLiteral("xlsx"));
    Costs->CsvDialog = MakeDialog("CsvDialog", true);
    Costs->CsvDialog->setNameFilter(QStringLiteral("CSV (*.csv)"));
    Costs->CsvDialog->setDefaultSuffix(QStringLiteral("csv"));
    SetUpPeriodBar();
    SetUpCostCommands();
    ShowViews();
}

void TMainForm_rep::SetUpPeriodBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("PeriodBar"));
    // The window keeps the narrow sizes it always had: the bar is cut, not it.
    bar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* rows = new QVBoxLayout(bar);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->setSpacing(2);
    auto* periodRow = new QHBoxLayout();
    Costs->Presets = new QComboBox(bar);
    Costs->Presets->setObjectName(QStringLiteral("PeriodComboBox"));
    Costs->Presets->addItems({QStringLiteral("Все звонки"), QStringLiteral("Сегодня"),
                              QStringLiteral("Вчера"), QStringLiteral("Эта неделя"),
                              QStringLiteral("Прошлая неделя"), QStringLiteral("Этот месяц"),
                              QStringLiteral("Прошлый месяц"), QStringLiteral("Свой период")});
    auto picker = [bar](const char* name, const QTime& time) {
        auto* edit = new QDateTimeEdit(QDateTime(QDate::currentDate(), time), bar);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy HH:mm"));
        edit->setCalendarPopup(true);
        return edit;
    };
    Costs->From = picker("FromDateTimePicker", QTime(0, 0, 0));
    Costs->To = picker("ToDateTimePicker", QTime(23, 59, 59));
    periodRow->addWidget(new QLabel(QStringLiteral("Период:"), bar));
    periodRow->addWidget(Costs->Presets);
    periodRow->addWidget(new QLabel(QStringLiteral("с"), bar));
    periodRow->addWidget(Costs->From);
    periodRow->addWidget(new QLabel(QStringLiteral("по"), bar));
    periodRow->addWidget(Costs->To);
    periodRow->addStretch(1);
    auto* costRow = new QHBoxLayout();
    Costs->TariffLabel = new QLabel(bar);
    Costs->TariffLabel->setObjectName(QStringLiteral("TariffLabel"));
    Costs->TotalLabel = new QLabel(bar);
    Costs->TotalLabel->setObjectName(QStringLiteral("TotalLabel"));
    costRow->addWidget(Costs->TariffLabel);
    Costs->MaskBox = new QSpinBox(bar);
    Costs->MaskBox->setObjectName(QStringLiteral("MaskDigitsSpinBox"));
    Costs->MaskBox->setRange(0, MaxMaskDigits);
    // The masking and the department filter stand apart from the tariff text.
    costRow->addSpacing(CostRowGap);
    costRow->addWidget(new QLabel(QStringLiteral("Скрыть цифр номера:"), bar));
    costRow->addWidget(Costs->MaskBox);
    Costs->Departments = new QComboBox(bar);
    Costs->Departments->setObjectName(QStringLiteral("DepartmentComboBox"));
    costRow->addSpacing(CostRowGap);
    costRow->addWidget(new QLabel(QStringLiteral("Отдел:"), bar));
    costRow->addWidget(Costs->Departments);
    FillDepartments();
    costRow->addStretch(1);
    costRow->addWidget(Costs->TotalLabel);
    rows->addLayout(periodRow);
    rows->addLayout(costRow);

    // The destinations beside the window's three boxes, shown with a table.
    Costs->DestinationBox = new QGroupBox(QStringLiteral("Направления"), this);
    Costs->DestinationBox->setObjectName(QStringLiteral("DestinationGroupBox"));
    auto* boxLayout = new QVBoxLayout(Costs->DestinationBox);
    boxLayout->setContentsMargins(2, 2, 2, 2);
    Costs->DestinationGrid = NewGrid(Costs->DestinationBox, Costs->Destinations);
    Costs->DestinationGrid->setObjectName(QStringLiteral("DestinationGrid"));
    boxLayout->addWidget(Costs->DestinationGrid);
    const int destinationWidths[] = {170, 60, 85};
    for (int column = 0; column < 3; ++column) {
        Costs->DestinationGrid->setColumnWidth(column, destinationWidths[column]);
    }
    Costs->DestinationBox->hide();

    auto* formLayout = qobject_cast<QBoxLayout*>(layout());
    const int panelAt = formLayout->indexOf(Form->Panel1);
    formLayout->removeWidget(Form->Panel1);
    Costs->Panels = new QBoxLayout(QBoxLayout::LeftToRight);
    Costs->Panels->setSpacing(2);
    Costs->Panels->addWidget(Form->Panel1, 1);
    Costs->Panels->addWidget(Costs->DestinationBox);
    formLayout->insertLayout(panelAt, Costs->Panels, 1);
    PlaceDestinations();
    formLayout->insertWidget(0, bar);

    Costs->PickerPause = new QTimer(this);
    Costs->PickerPause->setSingleShot(true);
    Costs->PickerPause->setInterval(PickerPauseMs);
    connect(Costs->PickerPause, &QTimer::timeout, this,
            [this] { RunHandler(this, [this] { PickersChanged(); }); });
    connect(Costs->Presets, &QComboBox::activated, this,
            [this](int index) { RunHandler(this, [this, index] { PresetChosen(index); }); });
    connect(Costs->MaskBox, &QSpinBox::valueChanged, this, [this](int digits) {
        RunHandler(this, [this, digits] {
            Costs->MaskDigits = static_cast<unsigned>(digits);
            ShowViews();
        });
    });
    connect(Costs->Departments, &QComboBox::activated, this,
            [this](int index) { RunHandler(this, [this, index] { DepartmentChosen(index); }); });
    for (QDateTimeEdit* edit : {Costs->From, Costs->To}) {
        connect(edit, &QDateTimeEdit::dateTimeChanged, Costs->PickerPause,
                qOverload<>(&QTimer::start));
    }
}

// "Все отделы", then the directory's departments; only with a directory.
void TMainForm_rep::FillDepartments() {
    Costs->Departments->clear();
    Costs->Departments->addItem(QStringLiteral("Все отделы"));
    for (const std::string& department : Costs->Directory.Departments()) {
        Costs->Departments->addItem(ToQString(department));
    }
    Costs->Departments->setEnabled(Costs->Departments->count() > 1);
}

// A department narrows the shown calls as a period does: a new session over the
// file's calls, of that department's lines on each call's date.
void TMainForm_rep::DepartmentChosen(int index) {
    Costs->Department = index > 0 ? ToCp1251(Costs->Departments->itemText(index)) : std::string();
    ShowCallsOfPeriod();
}

void TMainForm_rep::PlaceDestinations() {
    if (width() >= DestinationsBesideFrom) {
        Costs->Panels->setDirection(QBoxLayout::LeftToRight);
        Costs->DestinationBox->setMinimumHeight(0);
        Costs->DestinationBox->setMaximumHeight(QWIDGETSIZE_MAX);
        Costs->DestinationBox->setFixedWidth(DestinationWidth);
    } else {
        Costs->Panels->setDirection(QBoxLayout::TopToBottom);
        Costs->DestinationBox->setMinimumWidth(0);
        Costs->DestinationBox->setMaximumWidth(QWIDGETSIZE_MAX);
        Costs->DestinationBox->setFixedHeight(DestinationHeight);
    }
}

void TMainForm_rep::SetUpCostCommands() {
    const auto command = [this](QMenu* menu, const QString& text, auto handler) {
        QAction* action = menu->addAction(text);
        connect(action, &QAction::triggered, this,
                [this, handler] { RunHandler(this, [this, handler] { handler(this); }); });
        return action;
    };
    QMenu* file = Form->FileMenu;
    command(file, QStringLiteral("Загрузить тарифы..."), [](TMainForm_rep* form) {
        form->LoadTariffsClick();
    })->setObjectName(QStringLiteral("LoadTariffsMenuItem"));
    command(file, QStringLiteral("Загрузить справочник..."), [](TMainForm_rep* form) {
        form->LoadDirectoryClick();
    })->setObjectName(QStringLiteral("LoadDirectoryMenuItem"));
    file->addSeparator();
    command(file, QStringLiteral("Сохранить в Excel"), [](TMainForm_rep* form) {
        form->SaveExcelClick();
    })->setObjectName(QStringLiteral("SaveExcelMenuItem"));
    QMenu* csv = file->addMenu(QStringLiteral("Сохранить в CSV"));
    // Every view of the catalog, by its caption; the report's own four also
    // from their grids' popup menus.
    auto* destinationMenu = new QMenu(this);
    QMenu* const popups[] = {Form->PopupMenu1, Form->PopupMenu2, Form->PopupMenu3, destinationMenu};
    const std::unique_ptr<report::TCostViews> views = Report->Views(*Rows);
    for (std::size_t i = 0; i < views->Count(); ++i) {
        const auto kind = static_cast<report::TViewKind>(i);
        const auto save = [kind](TMainForm_rep* form) { form->SaveCsvClick(kind); };
        command(csv, ToQString(views->View(kind).Name()), save)
            ->setObjectName(QStringLiteral("SaveCsvMenuItem_%1")
                                .arg(QString::fromStdString(report::ViewCatalog()[i].Key)));
        if (i >= std::size(popups)) {
            continue;
        }
        popups[i]->addSeparator();
        command(popups[i], QStringLiteral("Сохранить в CSV"), save);
        command(popups[i], QStringLiteral("Сохранить в Excel"),
                [](TMainForm_rep* form) { form->SaveExcelClick(); });
    }
    BindPopup(Costs->DestinationGrid, destinationMenu);
    // The directory's own views, while one is loaded.
    Costs->DepartmentsCsv = command(csv, QStringLiteral("Отделы"), [](TMainForm_rep* form) {
        form->SaveDirectoryCsvClick(false);
    });
    Costs->DepartmentsCsv->setObjectName(QStringLiteral("SaveCsvMenuItem_departments"));
    Costs->CostCentresCsv = command(csv, QStringLiteral("Центры затрат"),
                                    [](TMainForm_rep* form) { form->SaveDirectoryCsvClick(true); });
    Costs->CostCentresCsv->setObjectName(QStringLiteral("SaveCsvMenuItem_cost_centres"));
}

void TMainForm_rep::DropCosts() {
    DetachViews();
    delete Costs->Destinations;
    Costs->Destinations = nullptr;
}

report::TPeriod TMainForm_rep::CurrentPeriod() const {
    return Costs->Period;
}

const report::TTariffTable& TMainForm_rep::Tariffs() const {
    return Costs->Table;
}

void TMainForm_rep::SetClock(std::function<QDateTime()> now) {
    Costs->Now = std::move(now);
}

void TMainForm_rep::ReportLoaded() {
    // A new file: the shown calls are all of it.
    Costs->FileReport.reset();
    ApplyPeriod();
}

void TMainForm_rep::LoadTariffsClick() {
    if (Costs->TariffDialog->exec() == QDialog::Accepted &&
        !Costs->TariffDialog->selectedFiles().isEmpty()) {
        LoadTariffs(Costs->TariffDialog->selectedFiles().constFirst());
    }
}

bool TMainForm_rep::LoadTariffs(const QString& fileName) {
    std::optional<report::TTariffTable> table = ReadTableFile(
        this, fileName, QStringLiteral("Тарифы \"%1\" не загружены:\n%2"), &report::ReadTariffFile);
    if (!table) {
        return false;
    }
    // The views point at the table: they go before it is replaced.
    DetachViews();
    Costs->Table = std::move(*table);
    for (report::TReportSession* report : {Report.get(), Costs->FileReport.get()}) {
        if (report != nullptr) {
            report->Reprice();
        }
    }
    const QString config = OutConfigPath(*Costs);
    if (!Remember(config, fileName, &WithTariffTable)) {
        ShowMessage(this,
                    QStringLiteral("Тарифы загружены, но не запомнены: файл \"%1\" не записан.")
                        .arg(QDir::toNativeSeparators(config)),
                    QCoreApplication::applicationName());
    }
    ShowViews();
    return true;
}

void TMainForm_rep::LoadRememberedTariffs() {
    if (Costs->RememberedTried || !Costs->Table.Empty()) {
        return;
    }
    Costs->RememberedTried = true;
    const std::string remembered = TariffTableOf(FileBytes(OutConfigPath(*Costs)).toStdString());
    if (!remembered.empty()) {
        LoadTariffs(ToQString(remembered));
    }
}

const report::TDirectory& TMainForm_rep::Directory() const {
    return Costs->Directory;
}

void TMainForm_rep::LoadDirectoryClick() {
    if (Costs->DirectoryDialog->exec() == QDialog::Accepted &&
        !Costs->DirectoryDialog->selectedFiles().isEmpty()) {
        LoadDirectory(Costs->DirectoryDialog->selectedFiles().constFirst());
    }
}

bool TMainForm_rep::LoadDirectory(const QString& fileName) {
    std::optional<report::TDirectory> directory =
        ReadTableFile(this, fileName, QStringLiteral("Справочник \"%1\" не загружен:\n%2"),
                      &report::ReadDirectoryFile);
    if (!directory) {
        return false;
    }
    // The shown views point at the directory: they go before it is replaced.
    DetachViews();
    Costs->Directory = std::move(*directory);
    // A department of the old directory means nothing in the new one.
    const bool narrowed = !Costs->Department.empty();
    Costs->Department.clear();
    FillDepartments();
    const QString config = OutConfigPath(*Costs);
    if (!Remember(config, fileName, &WithDirectory)) {
        ShowMessage(this,
                    QStringLiteral("Справочник загружен, но не запомнен: файл \"%1\" не записан.")
                        .arg(QDir::toNativeSeparators(config)),
                    QCoreApplication::applicationName());
    }
    if (narrowed) {
        ShowCallsOfPeriod();
    } else {
        ShowViews();
    }
    return true;
}

void TMainForm_rep::LoadRememberedDirectory() {
    if (Costs->RememberedDirectoryTried) {
        return;
    }
    Costs->RememberedDirectoryTried = true;
    const std::string remembered = DirectoryOf(FileBytes(OutConfigPath(*Costs)).toStdString());
    if (!remembered.empty()) {
        LoadDirectory(ToQString(remembered));
    }
}

void TMainForm_rep::SetPeriod(const report::TPeriod& period) {
    Costs->Period = period;
    const QSignalBlocker blockFrom(Costs->From);
    const QSignalBlocker blockTo(Costs->To);
    if (period.From) {
        Costs->From->setDateTime(ToQDateTime(*period.From));
    }
    if (period.To) {
        Costs->To->setDateTime(ToQDateTime(*period.To));
    }
    Costs->PickerPause->stop();
    ApplyPeriod();
}

void TMainForm_rep::PresetChosen(int index) {
    if (index == 0) {
        SetPeriod({});
    } else if (index == CustomPreset) {
        PickersChanged();
    } else {
        const auto preset = static_cast<report::TPeriodPreset>(index - 1);
        SetPeriod(report::PresetPeriod(preset, ToDateTime(Costs->Now())));
    }
}

void TMainForm_rep::PickersChanged() {
    Costs->Presets->setCurrentIndex(CustomPreset);
    SetPeriod({ToDateTime(Costs->From->dateTime()), ToDateTime(Costs->To->dateTime())});
}

void TMainForm_rep::ApplyPeriod() {
    ShowCallsOfPeriod();
    ShowPeriodOnPickers();
}

void TMainForm_rep::ShowPeriodOnPickers() {
    const bool whole = Costs->Period.Whole();
    const report::TCallList& calls = Report->Calls(); // the whole file when whole
    // Without calls there is no first or last day to show.
    const bool shown = !whole || calls.Count() > 0;
    Costs->From->setEnabled(shown);
    Costs->To->setEnabled(shown);
    if (!whole || calls.Count() == 0) {
        return;
    }
    const auto [first, last] =
        std::minmax_element(calls.begin(), calls.end(), [](const auto& a, const auto& b) {
            return report::SecondsOf(a.Start) < report::SecondsOf(b.Start);
        });
    const QSignalBlocker blockFrom(Costs->From);
    const QSignalBlocker blockTo(Costs->To);
    Costs->From->setDateTime(QDateTime(ToQDateTime(first->Start).date(), QTime(0, 0, 0)));
    Costs->To->setDateTime(QDateTime(ToQDateTime(last->Start).date(), QTime(23, 59, 59)));
}

void TMainForm_rep::ShowCallsOfPeriod() {
    const bool whole = Costs->Period.Whole() && Costs->Department.empty();
    if (whole && !Costs->FileReport) {
        ShowViews();
        return;
    }
    std::unique_ptr<report::TReportSession> shown;
    if (whole) {
        shown = std::move(Costs->FileReport);
    } else {
        shown = NewSession();
        const report::TReportSession& file = Costs->FileReport ? *Costs->FileReport : *Report;
        report::TCallListSource source(file.Calls());
        if (Costs->Department.empty()) {
            shown->Load(source, Costs->Period, true);
        } else {
            report::TDepartmentSource department(source, Costs->Directory, {Costs->Department});
            shown->Load(department, Costs->Period, true);
        }
    }
    DetachViews();
    if (!whole && !Costs->FileReport) {
        // The shown report is the whole file: it is kept for the next period.
        // The grids take the new lists at once, before anything is drawn.
        Costs->FileReport = std::move(Report);
    }
    ShowReport(std::move(shown), Form->FileGroupBox->title());
    ShowViews();
}

void TMainForm_rep::DetachViews() {
    for (TViewGridModel* model : {CallModel, LineModel, TrunkModel, Costs->Destinations}) {
        if (model != nullptr) {
            model->SetView(nullptr, nullptr);
        }
    }
    Costs->Shown.reset();
    Costs->DirectoryViews.reset();
    Costs->Views.reset();
    Costs->UnpricedViews.clear();
}

const report::TReportView& TMainForm_rep::ShownView(report::TViewKind kind) const {
    return Costs->Shown ? Costs->Shown->View(kind) : Costs->Views->View(kind);
}

void TMainForm_rep::AttachViews() {
    DetachViews();
    Costs->Views = Report->Views(*Rows);
    if (!Costs->Directory.Empty() || Costs->MaskDigits > 0) {
        Costs->Shown = std::make_unique<report::TShownViews>(*Costs->Views, *Rows, Costs->Directory,
                                                             Costs->MaskDigits);
    }
    if (!Costs->Directory.Empty()) {
        Costs->DirectoryViews = std::make_unique<report::TDirectoryViews>(
            Report->Calls(), Report->Priced() ? &Report->Costs() : nullptr, Costs->Table,
            Costs->Directory);
    }
    // The grids in the order of the catalog's first views.
    TViewGridModel* const models[] = {CallModel, LineModel, TrunkModel, Costs->Destinations};
    for (std::size_t i = 0; i < std::size(models); ++i) {
        const auto kind = static_cast<report::TViewKind>(i);
        const report::TReportView* view = &ShownView(kind);
        // The directory's columns come before the first columns' end.
        const std::size_t named =
            view->Columns().size() - Costs->Views->View(kind).Columns().size();
        const std::size_t unpriced = report::ViewCatalog()[i].UnpricedColumns;
        if (!Report->Priced() && unpriced > 0) {
            Costs->UnpricedViews.push_back(report::FirstColumns(*view, unpriced + named));
            view = Costs->UnpricedViews.back().get();
        }
        if (models[i] != nullptr) {
            models[i]->SetView(view, &DateFormat);
        }
    }
}

void TMainForm_rep::ShowViews() {
    AttachViews();
    for (QAction* save : {Costs->DepartmentsCsv, Costs->CostCentresCsv}) {
        if (save != nullptr) {
            save->setEnabled(Costs->DirectoryViews != nullptr);
        }
    }
    const bool priced = Report->Priced();
    const report::TCostReport& costs = Report->Costs();
    ShowCostGrids(priced);
    Costs->TariffLabel->setText(
        priced ? QStringLiteral("Тарифы: %1 (%2 строк)")
                     .arg(QFileInfo(QFile::decodeName(Costs->Table.FileName().c_str())).fileName())
                     .arg(Costs->Table.Rows().size())
               : QStringLiteral("Тарифы не загружены"));
    Costs->TotalLabel->setText(priced ? QStringLiteral("Итого: %1   без тарифа: %2   входящих: %3")
                                            .arg(ToQString(report::CentsText(costs.Total)))
                                            .arg(costs.Unpriced)
                                            .arg(costs.Incoming)
                                      : QString());
    emit PeriodOrTariffsChanged();
}

void TMainForm_rep::ShowCostGrids(bool priced) {
    Costs->DestinationBox->setVisible(priced);
    for (QTableView* grid : {Form->StringGrid1, Form->ALGrid, Form->SLGrid}) {
        LayOutColumns(grid);
    }
}

QString TMainForm_rep::SaveTarget(QFileDialog* dialog) {
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return {};
    }
    const QString fileName = dialog->selectedFiles().constFirst();
    if (QFileInfo::exists(fileName) &&
        !AskOkCancel(this, QStringLiteral("Такой файл уже существует. Перезапишем?"),
                     QStringLiteral("Предупреждение!"))) {
        return {};
    }
    return fileName;
}

void TMainForm_rep::SaveExcelClick() {
    const QString fileName = SaveTarget(Costs->ExcelDialog);
    if (fileName.isEmpty()) {
        return;
    }
    std::vector<const report::TReportView*> sheets;
    for (std::size_t kind = 0; kind < Costs->Views->Count(); ++kind) {
        sheets.push_back(&ShownView(static_cast<report::TViewKind>(kind)));
    }
    TellUnsaved(fileName, report::SaveWorkbook(LocalName(fileName), sheets, {Report->Heading()}));
}

void TMainForm_rep::SaveCsvClick(report::TViewKind kind) {
    const QString fileName = SaveTarget(Costs->CsvDialog);
    if (!fileName.isEmpty()) {
        TellUnsaved(fileName, report::SaveCsv(ShownView(kind), LocalName(fileName)));
    }
}

void TMainForm_rep::SaveDirectoryCsvClick(bool costCentres) {
    const QString fileName = SaveTarget(Costs->CsvDialog);
    if (!fileName.isEmpty() && Costs->DirectoryViews) {
        const report::TReportView& view = costCentres ? Costs->DirectoryViews->CostCentres()
                                                      : Costs->DirectoryViews->Departments();
        TellUnsaved(fileName, report::SaveCsv(view, LocalName(fileName)));
    }
}

void TMainForm_rep::TellUnsaved(const QString& fileName, const report::TWriteResult& result) {
    if (!result.Written()) {
        ShowMessage(this,
                    QStringLiteral("Не удалось сохранить файл \"%1\": %2.")
                        .arg(QDir::toNativeSeparators(fileName),
                             QString::fromLocal8Bit(result.Reason.c_str())),
                    QCoreApplication::applicationName());
    }
}

} // namespace tallyvox::app
