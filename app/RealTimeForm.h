#pragma once
// The real-time tracking window: once a second it asks the exchange for its live
// connections, lists them under a date-and-time line, and every N successful
// queries appends that list to the real-time log when the user asked for it.
// Created once, shown modally by the main window, UI thread only.

#include <QDialog>
#include <QString>
#include <boost/shared_ptr.hpp>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "callfile/RealTimeLog.h"

class QTimer;

namespace Ui {
class TRealTimeForm;
}

namespace tallyvox {
class TLowLevel;
}

namespace tallyvox::app {

class TRealTimeForm : public QDialog {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds QueryInterval{1000};

    // tickInterval: how often the window queries while shown (tests use less).
    explicit TRealTimeForm(QWidget* parent = nullptr,
                           std::chrono::milliseconds tickInterval = QueryInterval);
    ~TRealTimeForm() override;

    // The main window's exchange object, identified; set before every showing.
    void SetLowLevel(boost::shared_ptr<TLowLevel> lowLevel);

    // One query and display cycle: the timer's tick. A failed query changes
    // nothing; a successful one refreshes the list and counts towards the next
    // write point, where the list goes to the log (or an unticked box closes it).
    void RealTimeTimerTimer();
    // "Выбрать файл для сохранения данных": the log file, saved to the output
    // configuration; another file than the current one clears the list and
    // closes the log, so the next write point opens the new one.
    void N2Click();

    // Whether the log is open now (it stays open between write points).
    bool LogIsOpen() const { return LogStream.IsOpen(); }

signals:
    // The log file name changed: the main window shows the file names again.
    void LogFileChosen();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FormShow();
    void WriteFileFlagCheckBoxClick();
    void ShowSnapshot();
    void WritePoint();
    void StopLogging(const QString& reason);
    void ShowFileName();
    int WritePeriod() const;
    std::vector<std::string> ListLines() const;

    std::unique_ptr<Ui::TRealTimeForm> Form;
    QTimer* RealTimeTimer = nullptr;
    boost::shared_ptr<TLowLevel> LowLevel;
    int WriteCounter = 1;
    callfile::TRealTimeLog LogStream;
    // Where the file dialog starts when no log is chosen: as it was last left.
    std::filesystem::path DialogFolder;
    QString DialogFile = QStringLiteral("real_time.log");
    // A message box shown from a tick runs the event loop; the next tick waits.
    bool InTick = false;
};

} // namespace tallyvox::app
