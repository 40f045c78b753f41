// Reads: the single and the continuous read, Stop, the reading state of the
// commands, and what the window shows of each record and of the reader's end.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "app/Gauge.h"
#include "app/MainForm.h"
#include "app/Messages.h"
#include "app/QtText.h"
#include "callfile/CallFileWriter.h"
#include "callfile/RecordHandler.h"
#include "ui_MainForm.h"

namespace tallyvox::app {
namespace {

// How long one wait for the reader thread lasts before its window updates are
// carried out.
constexpr int ReaderWaitSliceMs = 10;

} // namespace

void TMainForm::LoadFromATSMenuItemClick() {
    StartRead(capture::TReadMode::Once);
}

void TMainForm::ReadUninterruptMenuItemClick() {
    StartRead(capture::TReadMode::Continuous);
}

// The one start of both reads. A continuous read shows itself (the panel, Stop)
// before identification, so that a start which finds no exchange keeps them
// until Stop is pressed; a single read turns the commands off before it, and
// on again when it finds no exchange.
void TMainForm::StartRead(capture::TReadMode mode) {
    if (ReadInProgress()) {
        return;
    }
    // Until the reader runs (or the read is given up), commands that wait for
    // the reader stay out and a close waits: the start must not go on to start
    // a reader once the window has closed.
    struct TStarting {
        TMainForm& Form;
        ~TStarting() {
            Form.ReadStarting = false;
            Form.CloseIfDeferred();
        }
    } starting{*this};
    ReadStarting = true;
    if (!RequireTariffFile()) {
        return;
    }
    // A stopped reader that is still finishing frees the controls and may empty
    // the panel when it ends: let it end before this read shows its own state.
    WaitForReader();
    if (!RequireWritableTariffFile()) {
        return;
    }
    const bool continuous = mode == capture::TReadMode::Continuous;
    if (continuous) {
        UnInterruptPanel->setText(QStringLiteral("Идет непрерывное считывание"));
        Ui_->StopAction->setEnabled(true);
    } else {
        // Clicks that queue up during identification must find the commands off.
        DisableControls();
    }
    PrepareRead(mode);
    if (!IdentifyForRead()) {
        if (!continuous) {
            EnableControls();
        }
        return;
    }
    if (continuous) {
        DisableControls();
    }
    WriteHeaderIfWanted();
    ShowStatus();
    StartReader();
}

void TMainForm::StopToolButtonClick() {
    LowLevel_->StopRequested = true;
    LowLevel_->Continuous = false;
    EnableControls();
    ShowStatus();
    if (ExitAfterRead_) {
        close();
    }
}

bool TMainForm::RequireTariffFile() {
    if (!LowLevel_->TariffFileName.empty()) {
        return true;
    }
    ReadRefusedBecause = ExitFileNotWritable;
    ShowMessage(this, QStringLiteral("Не выбран файл для сохранения данных."),
                QStringLiteral("Внимание!"));
    return false;
}

// The exchange forgets each record as it sends it: a read into a file that
// cannot take the lines would leave the program holding the only copy.
bool TMainForm::RequireWritableTariffFile() {
    const std::string problem = callfile::AppendProblem(LowLevel_->TariffFileName);
    if (problem.empty()) {
        return true;
    }
    ReadRefusedBecause = ExitFileNotWritable;
    ShowMessage(this,
                QStringLiteral("Невозможно записать в файл учета звонков ") +
                    ToQString(LowLevel_->TariffFileName) + QStringLiteral(": ") +
                    ToQString(problem) +
                    QStringLiteral(".\nСчитывание не начато, записи остаются в АТС."),
                QStringLiteral("Ошибка!"));
    return false;
}

void TMainForm::PrepareRead(capture::TReadMode mode) {
    // The flags belong to the previous reader: call this only once it has ended.
    Session->Prepare(mode);
    ShowPendingLines(RecordHandler->Writer().PendingCount());
    ShowUncheckedRecords();
    LastPassEnd = TDownloadEnd::Finished;
    SilentSince.reset();
}

bool TMainForm::IdentifyForRead() {
    if (Session->Identify() >= 0) {
        return true;
    }
    ReadRefusedBecause = ExitExchangeAbsent;
    ShowNoExchange();
    return false;
}

void TMainForm::WriteHeaderIfWanted() {
    if (Session->WriteHeader()) {
        // Only a call line selects itself and is counted against the list's limit.
        Ui_->ListBox1->addItem(ToQString(LowLevel_->HeaderDateLine));
        Ui_->ListBox1->addItem(ToQString(LowLevel_->HeaderTitleLine));
    }
    ShowPendingLines(RecordHandler->Writer().PendingCount());
}

void TMainForm::StartReader() {
    HandedOverFill = LowLevel_->Status.BufferFill;
    ReaderThread = boost::shared_ptr<ReadATSThread>(new ReadATSThread(*this, Session));
    ReaderThread->Start();
}

// A read is starting, or its reader runs and has not been stopped: a command
// that would wait for the reader would keep the window waiting for the whole read.
bool TMainForm::ReadInProgress() const {
    return ReadStarting || (ReaderRunning() && !LowLevel_->StopRequested);
}

void TMainForm::WaitForReader() {
    if (!ReaderThread) {
        return;
    }
    ++ReaderWaits;
    // The reader waits for its window updates; carry them out while waiting for it.
    while (!ReaderThread->wait(QDeadlineTimer(ReaderWaitSliceMs))) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    --ReaderWaits;
    CloseIfDeferred();
}

// A close that came while a command waited for the reader, or while a read
// started, is carried out after that command, so that the command cannot go
// on (and start a reader) once the window has closed.
bool TMainForm::CloseMustWait() const {
    return ReaderWaits > 0 || ReadStarting;
}

void TMainForm::CloseIfDeferred() {
    if (CloseDeferred && !CloseMustWait()) {
        CloseDeferred = false;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isVisible()) {
                    close();
                }
            },
            Qt::QueuedConnection);
    }
}

// Nothing reads any more: the window says so and offers the commands again.
void TMainForm::ReturnToIdle() {
    LowLevel_->Continuous = false;
    EnableControls();
    ShowStatus();
}

bool TMainForm::ReaderRunning() const {
    return ReaderThread && !ReaderThread->isFinished();
}

void TMainForm::DisableControls() {
    SetReadingState(true);
}

void TMainForm::EnableControls() {
    SetReadingState(false);
}

void TMainForm::SetReadingState(bool reading) {
    for (QAction* command :
         {Ui_->SelectFileFromData_MenuItem, Ui_->Report_MenuItem, Ui_->LoadFromATSMenuItem,
          Ui_->ReadUninterruptMenuItem, Ui_->RealTime_MenuItem, Ui_->ClearListMenuItem,
          Ui_->OptionsMenuItem, Ui_->ReloadAction}) {
        command->setEnabled(!reading);
    }
    Ui_->StopAction->setEnabled(reading);
}

void TMainForm::PassEnded(TDownloadEnd end, TSteadyTime passStart) {
    LastPassEnd = end;
    if (end != TDownloadEnd::LinkLost) {
        SilentSince.reset();
    } else if (!SilentSince) {
        // The exchange last answered when this pass began or with its last record.
        SilentSince = std::max(passStart, LastRecordShown);
    }
    ShowLinkState();
}

// While continuous passes find the exchange silent, the panel says so and for
// how long; calls pile up in the exchange meanwhile.
void TMainForm::ShowLinkState() {
    if (!LowLevel_->Continuous || !ReaderRunning()) {
        return;
    }
    QString text = QStringLiteral("Идет непрерывное считывание");
    if (SilentSince) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::steady_clock::now() - *SilentSince)
                                 .count();
        text += QStringLiteral(". АТС не отвечает ") +
                QStringLiteral("%1:%2:%3")
                    .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                    .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                    .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    UnInterruptPanel->setText(text);
}

void TMainForm::ReadEnded(const capture::TSessionResult& result) {
    if (result.End == capture::TSessionEnd::PortFailed ||
        result.End == capture::TSessionEnd::Failed) {
        ReadBrokenOff(result);
        return;
    }
    EnableControls();
    const bool linkLost = LastPassEnd == TDownloadEnd::LinkLost && !LowLevel_->StopRequested;
    if (linkLost && !LowLevel_->Continuous) {
        UnInterruptPanel->setText(QStringLiteral("Считывание прервано: АТС не отвечает."));
    }
    if (ExitAfterRead_) {
        if (linkLost) {
            NoteExitCause(ExitLinkLost);
        } else if (LastPassEnd == TDownloadEnd::SelectionRefused) {
            NoteExitCause(ExitSelectionRefused);
        }
        UnInterruptTimer->start();
    }
}

// The read cannot go on, and the window must not keep showing it as running: it
// returns to idle with every line already read kept, and says why.
void TMainForm::ReadBrokenOff(const capture::TSessionResult& result) {
    ReturnToIdle();
    const QString message = ToQString(result.Error);
    const int status =
        result.End == capture::TSessionEnd::PortFailed ? ExitLinkLost : ExitReadFailed;
    // Shown once the reader has gone, so that it is not kept waiting on the box;
    // an automatic run ends after it.
    QMetaObject::invokeMethod(
        this,
        [this, message, status] {
            ShowMessage(this, message, QStringLiteral("Ошибка!"));
            if (ExitAfterRead_) {
                NoteExitCause(status);
                UnInterruptTimer->start();
            }
        },
        Qt::QueuedConnection);
}

void TMainForm::ShowHandledRecord(const QString& line, int bufferFill, int rejectedCount,
                                  std::size_t pendingLines) {
    Ui_->CGauge1->AddProgress(-1);
    AddCallLine(line);
    LastRecordShown = std::chrono::steady_clock::now();
    if (SilentSince) {
        // A record came: the exchange answers again.
        SilentSince.reset();
        ShowLinkState();
    }
    HandedOverFill = bufferFill;
    StatusPanels[4]->setText(QStringLiteral("В буфере : ") + QString::number(bufferFill));
    StatusPanels[5]->setText(QStringLiteral("Отвергнуто записей: ") +
                             QString::number(rejectedCount));
    ShowPendingLines(pendingLines);
    ShowUncheckedRecords();
}

void TMainForm::AddCallLine(const QString& line) {
    QListWidget* list = Ui_->ListBox1;
    list->addItem(line);
    list->setCurrentRow(list->count() - 1);
    if (list->count() > MaxListLines) {
        list->clear();
    }
}

void TMainForm::ShowPendingLines(std::size_t pendingLines) {
    ShownPendingLines = pendingLines;
    Ui_->PendingLinesPanel->setText(QStringLiteral("Не записано в файл строк: ") +
                                    QString::number(pendingLines));
    Ui_->PendingLinesPanel->setVisible(pendingLines > 0);
}

// Records whose checksum never matched were taken as received: say how many.
void TMainForm::ShowUncheckedRecords() {
    const int unchecked = LowLevel_ ? LowLevel_->UncheckedCount.load() : 0;
    UncheckedPanel->setText(QStringLiteral("Принято с неверной контрольной суммой: ") +
                            QString::number(unchecked));
    UncheckedPanel->setVisible(unchecked > 0);
}

} // namespace tallyvox::app
