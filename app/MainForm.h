#pragma once
// The program's main window: owns the exchange object, connects at start-up,
// shows the exchange status, lists the call lines as they are read and starts
// the reads. It only calls the core and shows what the core returns.

#include <QMainWindow>
#include <QString>
#include <array>
#include <boost/shared_ptr.hpp>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ExchangeConnector.h"
#include "app/ReaderThread.h"
#include "app/RecordBridge.h"
#include "callfile/CallFileWriter.h"
#include "exchange/LowLevel.h"

class QAction;
class QDateEdit;
class QLabel;
class QTimeEdit;
class QTimer;

namespace Ui {
class TMainForm;
}

namespace tallyvox::callfile {
class TRecordHandler;
}

namespace tallyvox::app {

class TAboutForm;
class TMainForm_rep;
class TOptionsForm;
class TRealTimeForm;

class TMainForm : public QMainWindow,
                  public TExchangeConnector,
                  public TReadView,
                  public TRecordView {
    Q_OBJECT
public:
    // The list keeps at most this many lines; a line added to a full list empties it.
    static constexpr int MaxListLines = 20000;

    // clock and notifier: the computer's clock and message boxes when empty.
    explicit TMainForm(boost::shared_ptr<TClock> clock = {},
                       boost::shared_ptr<TNotifier> notifier = {});
    // Waits for a running read to stop at a record boundary, then releases the
    // exchange object (which closes the port).
    ~TMainForm() override;

    // The dialogs that the menu commands open; created after this window.
    void SetDialogs(TOptionsForm* options, TAboutForm* about);
    // The report window that "Составление выборки данных" opens; created after this window.
    void SetReportForm(TMainForm_rep* report) { ReportForm = report; }
    // The real-time window, created after the other windows.
    void SetRealTimeForm(TRealTimeForm* realTime);

    // The exchange object; empty until start-up has run. UI thread only.
    const boost::shared_ptr<TLowLevel>& LowLevel() const { return LowLevel_; }
    bool ExitAfterRead() const { return ExitAfterRead_; }
    // The status the program ends with (ExitStatus.h); the most urgent cause wins.
    int ExitStatus() const { return ExitStatus_; }
    // True from the start of a reader thread until it has ended.
    bool ReaderRunning() const;
    // A signal asks the program to end: the window closes as on a close, but
    // asks nothing, and its message boxes close by themselves after a while.
    void CloseOnSignal();

    // Status display, UI thread only. ConnectExchange: Connected, PortNotOpened,
    // ExchangeSilent.
    int ConnectExchange(const std::string& portName) override;
    void RefreshStatus() override;
    void ShowStatus();
    void ShowNoExchange();

    // Reading state of the commands.
    void DisableControls() override;
    void EnableControls();

signals:
    // Start-up (FormShow) has run to its end, whichever way it ended.
    void StartupFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Construction.
    void SetUpToolBar();
    void SetUpList();
    void SetUpTimers();
    void BindCommands();
    void Bind(QAction* action, void (TMainForm::*handler)());
    void PlaceOnScreen();

    // Start-up.
    void FormShow();
    void FollowAlertRules();
    void AutoStart();

    // Ending: the automatic run, the lines still held, closing.
    bool AutomaticRun() const { return Automatic; }
    void NoteExitCause(int status);
    void EndAutomaticRunThatCannotRead();
    void EndAutomaticRun(int status);
    bool ConfirmCloseWithHeldLines();
    bool RescueHeldLines();
    QString RescueReport(const std::vector<callfile::TRescue>& rescues) const;
    void WriteHeldLinesToStandardError();
    bool MayTerminate(int& status);
    void WriteExitLine() const;

    // Commands.
    void SelectFileFromData_MenuItemClick();
    void Report_MenuItemClick();
    void ExitMenuItemClick();
    void LoadFromATSMenuItemClick();
    void ReadUninterruptMenuItemClick();
    void RealTime_MenuItemClick();
    void ClearListMenuItemClick();
    void OptionsMenuItemClick();
    void AboutMenuItemClick();
    void StopToolButtonClick();
    void ReloadToolButtonClick();
    void PickerTimerTimer();
    void UnInterruptTimerTimer();

    // Reads.
    void StartRead(capture::TReadMode mode);
    bool RequireTariffFile();
    bool RequireWritableTariffFile();
    void PrepareRead(capture::TReadMode mode);
    bool IdentifyForRead();
    void WriteHeaderIfWanted();
    void StartReader();
    void SetReadingState(bool reading);
    bool ReadInProgress() const;
    void WaitForReader();
    bool CloseMustWait() const;
    void CloseIfDeferred();
    void ReturnToIdle();
    void PassEnded(TDownloadEnd end, TSteadyTime passStart) override;
    void ShowLinkState();
    void ReadEnded(const capture::TSessionResult& result) override;
    void ReadBrokenOff(const capture::TSessionResult& result);
    void ShowHandledRecord(const QString& line, int bufferFill, int rejectedCount,
                           std::size_t pendingLines) override;
    void AddCallLine(const QString& line);
    void ShowPendingLines(std::size_t pendingLines);
    void ShowUncheckedRecords();

    // Status display.
    void ShowExchangePanels();
    void ShowFileNames();
    void ShowGauge(int capacity, int fill);
    void ShowExchangeClock();
    void ShowComputerClock();
    int BufferFillToShow() const;

    std::unique_ptr<Ui::TMainForm> Ui_;
    QDateEdit* DatePicker = nullptr;
    QTimeEdit* TimePicker = nullptr;
    QLabel* UnInterruptPanel = nullptr;
    QLabel* UncheckedPanel = nullptr;
    std::array<QLabel*, 6> StatusPanels{};
    QTimer* PickerTimer = nullptr;
    QTimer* UnInterruptTimer = nullptr;
    TOptionsForm* OptionsForm = nullptr;
    TAboutForm* AboutForm = nullptr;
    TMainForm_rep* ReportForm = nullptr;
    TRealTimeForm* RealTimeForm = nullptr;

    boost::shared_ptr<TClock> Clock;
    boost::shared_ptr<TNotifier> Notifier;
    boost::shared_ptr<TLowLevel> LowLevel_;
    TRecordBridge RecordBridge{*this};
    std::unique_ptr<callfile::TRecordHandler> RecordHandler;
    // The reads of this window, around RecordHandler; shared with the reader thread.
    boost::shared_ptr<capture::TReadSession> Session;
    boost::shared_ptr<ReadATSThread> ReaderThread;
    bool ExitAfterRead_ = false;
    // AUTOSTART_1: nobody may be there, so the run ends by itself with a status.
    bool Automatic = false;
    bool Closing = false;
    // Nobody may be there to answer: the close must not stay refused.
    bool ClosingOnSignal = false;
    // A read is between its command and its reader thread (identification,
    // header); commands that wait for the reader must not run meanwhile.
    bool ReadStarting = false;
    // Waits for the reader in progress; a close that comes during one of them
    // waits until the command that waits has finished.
    int ReaderWaits = 0;
    bool CloseDeferred = false;
    int ExitStatus_ = ExitDone;
    // Why a read that was asked for did not start (ExitStatus.h).
    int ReadRefusedBecause = ExitDone;
    // The held lines the window last showed (the reader thread owns the writer).
    std::size_t ShownPendingLines = 0;
    // How the last download pass ended, and since when the exchange is silent
    // (empty while it answers).
    TDownloadEnd LastPassEnd = TDownloadEnd::Finished;
    std::optional<TSteadyTime> SilentSince;
    TSteadyTime LastRecordShown;
    bool StartupBegun = false;
    // The fill that the reader thread last handed over; shown while it runs,
    // because only that thread may touch Status.BufferFill then.
    int HandedOverFill = 0;
};

} // namespace tallyvox::app
