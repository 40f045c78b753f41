// The report window's construction, its showing and closing, its place on the
// screen and the resize rules of its boxes and grid columns.

#include "app/MainForm_rep.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QTableView>

#include "app/AboutForm.h"
#include "app/ChartsView.h"
#include "app/HandlerGuard.h"
#include "app/QtText.h"
#include "app/ReportCosts.h"
#include "app/ViewGridModel.h"
#include "ui_MainForm_rep.h"

namespace tallyvox::app {
namespace {

constexpr int WindowFontPoints = 8;
// A screen narrower than this gets the whole work area.
constexpr int NarrowScreenWidth = 1024;
// Where the window appears on a wider screen, from the screen's top-left corner.
const QPoint ScreenOffset(30, 20);
// The About window opens this far from the report window's top-left corner.
const QPoint AboutOffset(20, 20);

// Column widths of each grid for a grid of width w, column 0 first. The call
// grid's last column takes what the others leave, less room for the scroll bar.
std::vector<int> CallColumnWidths(int w, const std::vector<int>& minimums) {
    std::vector<int> widths{w / 7 - 10, w / 7 - 10, w / 7, w / 7 - 18, w / 7 - 18, w / 7 - 18};
    int used = 0;
    for (std::size_t column = 0; column < widths.size(); ++column) {
        widths[column] = std::max(widths[column], minimums[column]);
        used += widths[column];
    }
    widths.push_back(std::max(w - used - 30, minimums.back()));
    return widths;
}

std::vector<int> LineColumnWidths(int w) {
    return {w / 5 - 3, w / 5 - 3, w / 5 - 3, w / 5 - 5, w / 5 - 10};
}

std::vector<int> TrunkColumnWidths(int w) {
    return {w / 4 - 3, w / 4 - 3, w / 4 - 5, w / 4 - 13};
}

// A column is never narrower than its title and, where given, a sample of its
// cells: a narrow window or a wide font must not cut a date or a time short.
std::vector<int> MinimumWidths(const QTableView* grid, const std::vector<QString>& samples) {
    const int margin = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 2;
    const int headerMargin = 2 * grid->style()->pixelMetric(QStyle::PM_HeaderMargin) + 2;
    const QAbstractItemModel* model = grid->model();
    std::vector<int> minimums;
    for (int column = 0; column < model->columnCount(); ++column) {
        const QString title = model->headerData(column, Qt::Horizontal).toString();
        int minimum =
            grid->horizontalHeader()->fontMetrics().horizontalAdvance(title) + headerMargin;
        if (column < static_cast<int>(samples.size())) {
            minimum =
                std::max(minimum, grid->fontMetrics().horizontalAdvance(samples[column]) + margin);
        }
        // The last row: the totals of a priced grid (in bold), the widest figures
        // it shows.
        if (model->rowCount() > 0) {
            const QString last = model->index(model->rowCount() - 1, column).data().toString();
            minimum = std::max(minimum, BoldMetrics(grid).horizontalAdvance(last) + margin);
        }
        minimums.push_back(minimum);
    }
    return minimums;
}

std::vector<int> AtLeast(std::vector<int> widths, const std::vector<int>& minimums) {
    for (std::size_t column = 0; column < widths.size(); ++column) {
        widths[column] = std::max(widths[column], minimums[column]);
    }
    return widths;
}

void SetColumnWidths(QTableView* grid, const std::vector<int>& widths) {
    for (int column = 0; column < static_cast<int>(widths.size()); ++column) {
        grid->setColumnWidth(column, std::max(widths[column], 0));
    }
}

void SetUpGrid(QTableView* grid, QAbstractItemModel* model) {
    grid->setModel(model);
    // Every row is one line of text: a fixed height keeps a million rows cheap.
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

} // namespace

TMainForm_rep::TMainForm_rep(QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::TMainForm_rep>()),
      DateFormat(UserShortDateFormat()) {
    Form->setupUi(this);
    EmptyCaption = Form->FileGroupBox->title();
    layout()->setMenuBar(Form->MainMenu1);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    // FormCreate: the caption is the application's title.
    setWindowTitle(QCoreApplication::applicationName());
    QFont windowFont = font();
    windowFont.setPointSize(WindowFontPoints);
    setFont(windowFont);

    OpenDialog1 = MakeDialog("OpenDialog1", false);
    SaveDialog1 = MakeDialog("SaveDialog1", true);
    SaveDialog2 = MakeDialog("SaveDialog2", true);
    SaveDialog3 = MakeDialog("SaveDialog3", true);

    SetUpCharts();
    CallModel = new TViewGridModel(this);
    LineModel = new TViewGridModel(this);
    TrunkModel = new TViewGridModel(this);
    // The tariff table the sessions price by lives as long as the window.
    Costs = std::make_unique<TReportCosts>();
    ShowReport(NewSession(), Form->FileGroupBox->title());
    SetUpGrid(Form->StringGrid1, CallModel);
    SetUpGrid(Form->ALGrid, LineModel);
    SetUpGrid(Form->SLGrid, TrunkModel);
    SetColumnWidths(Form->StringGrid1, {64, 64, 78, 64, 64, 64, 115});
    SetColumnWidths(Form->ALGrid, {76, 75, 83, 85, 89});
    SetColumnWidths(Form->SLGrid, {75, 75, 75, 93});
    for (QObject* watched :
         {static_cast<QObject*>(Form->Panel1), static_cast<QObject*>(Form->StringGrid1),
          static_cast<QObject*>(Form->ALGrid), static_cast<QObject*>(Form->SLGrid)}) {
        watched->installEventFilter(this);
    }
    // A new file may come with a new date format.
    connect(CallModel, &QAbstractItemModel::modelReset, this,
            [this] { LayOutColumns(Form->StringGrid1); });
    SetUpSelectionPanel();
    BindCommands();
    SetUpCosts();
}

TMainForm_rep::~TMainForm_rep() {
    // The models point into Report, which goes before the grids do: the grids
    // fall back to an empty model while the window is taken down.
    DropCosts();
    delete CallModel;
    delete LineModel;
    delete TrunkModel;
}

QFileDialog* TMainForm_rep::MakeDialog(const char* name, bool save) {
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    if (save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        // The window asks its own overwrite question.
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    return dialog;
}

void TMainForm_rep::SetInitialDir(const std::filesystem::path& folder) {
    for (QFileDialog* dialog : {OpenDialog1, SaveDialog1, SaveDialog2, SaveDialog3}) {
        dialog->setDirectory(QDir(folder).absolutePath());
    }
}

void TMainForm_rep::SetAboutForm(TAboutForm* about) {
    AboutForm = about;
}

void TMainForm_rep::BindCommands() {
    const auto bind = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this,
                [this, handler] { RunHandler(this, [this, handler] { (this->*handler)(); }); });
    };
    bind(Form->LoadMenuItem, &TMainForm_rep::LoadClick);
    bind(Form->AboutMenuItem, &TMainForm_rep::AboutMenuItemClick);
    bind(Form->N1, &TMainForm_rep::N1Click);
    bind(Form->N2, &TMainForm_rep::N2Click);
    bind(Form->N12, &TMainForm_rep::N12Click);
    bind(Form->N13, &TMainForm_rep::N13Click);
    BindSorts();
    BindPopup(Form->StringGrid1, Form->PopupMenu1);
    BindPopup(Form->ALGrid, Form->PopupMenu2);
    BindPopup(Form->SLGrid, Form->PopupMenu3);
}

void TMainForm_rep::BindPopup(QTableView* grid, QMenu* menu) {
    connect(grid, &QWidget::customContextMenuRequested, menu,
            [grid, menu](const QPoint& at) { menu->popup(grid->viewport()->mapToGlobal(at)); });
}

void TMainForm_rep::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
    }
    QDialog::showEvent(event);
}

void TMainForm_rep::FormShow() {
    PlaceOnScreen();
    LayOutBoxes();
    LoadRememberedTariffs();
    LoadRememberedDirectory();
}

void TMainForm_rep::PlaceOnScreen() {
    const QScreen* screen = this->screen();
    if (screen == nullptr) {
        move(ScreenOffset);
        return;
    }
    if (screen->geometry().width() < NarrowScreenWidth) {
        // The whole work area, frame included: the offset would push the window
        // past the edge of so small a screen. The geometry serves where no
        // window manager maximizes.
        setGeometry(screen->availableGeometry());
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    move(screen->geometry().topLeft() + ScreenOffset);
}

void TMainForm_rep::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TMainForm_rep::FormClose() {
    // The lists go with the showing: the next one starts empty, as a million
    // calls should not stay in memory behind a closed window.
    Form->ALQueryPanel->hide();
    Charts->hide();
    ShowReport(NewSession(), EmptyCaption);
    ReportLoaded();
}

void TMainForm_rep::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (Costs) {
        PlaceDestinations();
    }
}

void TMainForm_rep::keyPressEvent(QKeyEvent* event) {
    // Escape cancels the selection panel; it never closes the window, which
    // would drop the loaded file.
    if (event->key() == Qt::Key_Escape) {
        if (Form->ALQueryPanel->isVisible()) {
            Button5Click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TMainForm_rep::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == Form->Panel1) {
            LayOutBoxes();
        } else if (auto* grid = qobject_cast<QTableView*>(watched)) {
            LayOutColumns(grid);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TMainForm_rep::LayOutBoxes() {
    const int width = Form->Panel1->width();
    const int height = Form->Panel1->height() / 3 - 1;
    int top = 0;
    for (QWidget* box : {Form->FileGroupBox, Form->ALGroupBox, Form->SLGroupBox}) {
        box->setGeometry(0, top, width, height);
        top += height;
    }
}

void TMainForm_rep::LayOutColumns(QTableView* grid) {
    // A grid between two views has no columns to lay out.
    if (grid->model()->columnCount() == 0) {
        return;
    }
    const int w = grid->width();
    if (grid == Form->StringGrid1) {
        // A date late in the year and month, in the user's format.
        const QString date = ToQString(DateFormat.Format({2000, 12, 28, 0, 0, 0}));
        const QString time = QStringLiteral("00:00:00");
        SetColumnWidths(grid, CallColumnWidths(w, MinimumWidths(grid, {date, time, time})));
        FitPricedColumns(grid, CallOwnColumns);
    } else if (grid == Form->ALGrid) {
        SetColumnWidths(grid, AtLeast(LineColumnWidths(w), MinimumWidths(grid, {})));
        FitPricedColumns(grid, 5);
    } else {
        SetColumnWidths(grid, AtLeast(TrunkColumnWidths(w), MinimumWidths(grid, {})));
        FitPricedColumns(grid, 4);
    }
}

void TMainForm_rep::AboutMenuItemClick() {
    if (AboutForm == nullptr) {
        return;
    }
    // While this window is modal only its own windows take input: the About
    // window becomes one of them (it stays a separate, non-modal window).
    if (AboutForm->parentWidget() != this) {
        AboutForm->setParent(this, AboutForm->windowFlags());
    }
    AboutForm->ShowAt(frameGeometry().topLeft() + AboutOffset);
}

} // namespace tallyvox::app
