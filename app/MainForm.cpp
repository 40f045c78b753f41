// The main window's construction: controls, icons, timers, command bindings and
// its place on the screen; closing and destruction.

#include "app/MainForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFont>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QTimeEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/HandlerGuard.h"
#include "app/ListFont.h"
#include "app/LocalFormats.h"
#include "app/QtNotifier.h"
#include "app/RealTimeForm.h"
#include "callfile/RecordHandler.h"
#include "ui_MainForm.h"

namespace tallyvox::app {
namespace {

constexpr int ClientWidth = 794;
constexpr int ClientHeight = 490;
constexpr int ToolBarHeight = 25;
constexpr int ListLineHeight = 14;
constexpr int WindowFontPoints = 8;
constexpr int PickerTimerMs = 1000;
constexpr int UnInterruptTimerMs = 2000;

QDateEdit* MakeDatePicker(QWidget* parent) {
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(QStringLiteral("DatePicker"));
    picker->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    picker->setFixedWidth(96);
    picker->setEnabled(false);
    return picker;
}

QTimeEdit* MakeTimePicker(QWidget* parent) {
    auto* picker = new QTimeEdit(parent);
    picker->setObjectName(QStringLiteral("TimePicker"));
    picker->setDisplayFormat(LongTimeFormat());
    picker->setFixedWidth(88);
    picker->setEnabled(false);
    return picker;
}

QLabel* MakeUnInterruptPanel(QWidget* parent) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(QStringLiteral("UnInterruptPanel"));
    panel->setFixedWidth(410);
    panel->setStyleSheet(QStringLiteral("color: #008000; font-weight: bold; padding-left: 6px;"));
    return panel;
}

// Shown once a read has taken a record whose checksum never matched.
QLabel* MakeUncheckedPanel(QWidget* parent) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(QStringLiteral("UncheckedPanel"));
    panel->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setVisible(false);
    return panel;
}

} // namespace

TMainForm::TMainForm(boost::shared_ptr<TClock> clock, boost::shared_ptr<TNotifier> notifier)
    : Ui_(std::make_unique<Ui::TMainForm>()), Clock(std::move(clock)),
      Notifier(std::move(notifier)) {
    if (!Clock) {
        Clock = boost::shared_ptr<TClock>(new TSystemClock);
    }
    if (!Notifier) {
        Notifier = boost::shared_ptr<TNotifier>(new TQtNotifier(this));
    }
    if (auto* qtNotifier = dynamic_cast<TQtNotifier*>(Notifier.get())) {
        qtNotifier->SetBeforeTerminate([this](int& status) { return MayTerminate(status); });
    }
    Ui_->setupUi(this);
    setWindowTitle(QCoreApplication::applicationName());
    QFont windowFont = font();
    windowFont.setPointSize(WindowFontPoints);
    setFont(windowFont);
    StatusPanels = {Ui_->StatusBar1_Panel0, Ui_->StatusBar1_Panel1, Ui_->StatusBar1_Panel2,
                    Ui_->StatusBar1_Panel3, Ui_->StatusBar1_Panel4, Ui_->StatusBar1_Panel5};
    UncheckedPanel = MakeUncheckedPanel(Ui_->StatusBar1);
    Ui_->StatusBar1Layout->addWidget(UncheckedPanel);
    SetUpToolBar();
    // Until an exchange clock is read the pickers show the computer's clock, as
    // they do when no exchange answers (a first run reads none at all).
    ShowComputerClock();
    SetUpList();
    SetUpTimers();
    BindCommands();
    PlaceOnScreen();
}

TMainForm::~TMainForm() {
    if (auto* qtNotifier = dynamic_cast<TQtNotifier*>(Notifier.get())) {
        qtNotifier->SetBeforeTerminate({});
    }
    PickerTimer->stop();
    UnInterruptTimer->stop();
    if (LowLevel_) {
        LowLevel_->StopRequested = true;
        WaitForReader();
        // The callback points at this window's record handler, which goes now.
        LowLevel_->RecordCallback = nullptr;
    }
}

void TMainForm::SetDialogs(TOptionsForm* options, TAboutForm* about) {
    OptionsForm = options;
    AboutForm = about;
}

void TMainForm::SetRealTimeForm(TRealTimeForm* realTime) {
    RealTimeForm = realTime;
    connect(RealTimeForm, &TRealTimeForm::LogFileChosen, this, [this] { ShowStatus(); });
}

void TMainForm::SetUpToolBar() {
    QToolBar* bar = Ui_->ToolBar1;
    bar->setFixedHeight(ToolBarHeight);
    Ui_->LoadFromATSMenuItem->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    Ui_->StopAction->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    Ui_->ReloadAction->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    bar->widgetForAction(Ui_->LoadFromATSMenuItem)
        ->setObjectName(QStringLiteral("ReadDataToolButton"));
    bar->widgetForAction(Ui_->StopAction)->setObjectName(QStringLiteral("StopToolButton"));
    bar->widgetForAction(Ui_->ReloadAction)->setObjectName(QStringLiteral("ReloadToolButton"));
    DatePicker = MakeDatePicker(bar);
    TimePicker = MakeTimePicker(bar);
    UnInterruptPanel = MakeUnInterruptPanel(bar);
    bar->addWidget(DatePicker);
    bar->addWidget(TimePicker);
    bar->addSeparator();
    bar->addWidget(UnInterruptPanel);
}

void TMainForm::SetUpList() {
    Ui_->ListBox1->setFont(ListFont());
    Ui_->ListBox1->setStyleSheet(
        QStringLiteral("QListWidget::item { height: %1px; }").arg(ListLineHeight));
    Ui_->ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
}

void TMainForm::SetUpTimers() {
    PickerTimer = new QTimer(this);
    PickerTimer->setObjectName(QStringLiteral("PickerTimer"));
    PickerTimer->setInterval(PickerTimerMs);
    connect(PickerTimer, &QTimer::timeout, this, [this] { PickerTimerTimer(); });
    PickerTimer->start();

    UnInterruptTimer = new QTimer(this);
    UnInterruptTimer->setObjectName(QStringLiteral("UnInterruptTimer"));
    UnInterruptTimer->setInterval(UnInterruptTimerMs);
    connect(UnInterruptTimer, &QTimer::timeout, this, [this] { UnInterruptTimerTimer(); });
}

void TMainForm::BindCommands() {
    Bind(Ui_->SelectFileFromData_MenuItem, &TMainForm::SelectFileFromData_MenuItemClick);
    Bind(Ui_->Report_MenuItem, &TMainForm::Report_MenuItemClick);
    Bind(Ui_->ExitMenuItem, &TMainForm::ExitMenuItemClick);
    Bind(Ui_->LoadFromATSMenuItem, &TMainForm::LoadFromATSMenuItemClick);
    Bind(Ui_->ReadUninterruptMenuItem, &TMainForm::ReadUninterruptMenuItemClick);
    Bind(Ui_->RealTime_MenuItem, &TMainForm::RealTime_MenuItemClick);
    Bind(Ui_->ClearListMenuItem, &TMainForm::ClearListMenuItemClick);
    Bind(Ui_->OptionsMenuItem, &TMainForm::OptionsMenuItemClick);
    Bind(Ui_->AboutMenuItem, &TMainForm::AboutMenuItemClick);
    Bind(Ui_->StopAction, &TMainForm::StopToolButtonClick);
    Bind(Ui_->ReloadAction, &TMainForm::ReloadToolButtonClick);
}

void TMainForm::Bind(QAction* action, void (TMainForm::*handler)()) {
    connect(action, &QAction::triggered, this,
            [this, handler] { RunHandler(this, [this, handler] { (this->*handler)(); }); });
}

void TMainForm::PlaceOnScreen() {
    resize(ClientWidth, ClientHeight + Ui_->MainMenu1->sizeHint().height());
    if (const QScreen* screen = this->screen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TMainForm::PickerTimerTimer() {
    TimePicker->setTime(TimePicker->time().addSecs(1));
    if (SilentSince) {
        ShowLinkState();
    }
}

void TMainForm::UnInterruptTimerTimer() {
    close();
}

} // namespace tallyvox::app
