// How the program ends: the exit status of an automatic run, the question when
// lines are still held, and the rescue file that keeps them when the
// call-accounting file cannot take them.

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "app/MainForm.h"
#include "app/Messages.h"
#include "app/QtText.h"
#include "callfile/RecordHandler.h"
#include "model/FilePath.h"

namespace tallyvox::app {
namespace {

QString ExitCause(int status) {
    switch (status) {
    case ExitDone:
        return QStringLiteral("считывание завершено");
    case ExitSelectionRefused:
        return QStringLiteral("АТС отказала в выборе");
    case ExitExchangeAbsent:
        return QStringLiteral("АТС не отвечает, считывание не начато");
    case ExitLinkLost:
        return QStringLiteral("АТС перестала отвечать во время считывания");
    case ExitFileNotWritable:
        return QStringLiteral("файл учета звонков недоступен для записи, считывание не начато");
    case ExitLinesRescued:
        return QStringLiteral("строки сохранены в отдельный файл");
    case ExitLinesLost:
        return QStringLiteral("строки не удалось сохранить в файл");
    case ExitReadFailed:
        return QStringLiteral("считывание остановлено из-за ошибки программы");
    default:
        return {};
    }
}

QString Quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// A rescue file's name carries the computer's date and time.
std::string RescueStamp(const TCalendarTime& now) {
    return QStringLiteral("%1-%2-%3_%4-%5-%6")
        .arg(now.Year, 4, 10, QLatin1Char('0'))
        .arg(now.Month, 2, 10, QLatin1Char('0'))
        .arg(now.Day, 2, 10, QLatin1Char('0'))
        .arg(now.Hour, 2, 10, QLatin1Char('0'))
        .arg(now.Minute, 2, 10, QLatin1Char('0'))
        .arg(now.Second, 2, 10, QLatin1Char('0'))
        .toStdString();
}

// A signal's close shows its messages for a moment, for a person who may be
// there, without keeping whoever sent the signal waiting.
constexpr std::chrono::milliseconds SignalBoxLifetime = std::chrono::seconds(5);

} // namespace

void TMainForm::CloseOnSignal() {
    ClosingOnSignal = true;
    SetUnattended(true, SignalBoxLifetime);
    // A dialog open on top would keep the program running once this window
    // has closed.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(window);
        if (dialog != nullptr && dialog->isVisible() && dialog->isModal()) {
            dialog->reject();
        }
    }
    close();
}

// Several causes may meet in one run; the larger status is the more urgent one.
void TMainForm::NoteExitCause(int status) {
    ExitStatus_ = std::max(ExitStatus_, status);
}

// An automatic start whose read never began must not wait for a person.
void TMainForm::EndAutomaticRunThatCannotRead() {
    if (Automatic && !ReaderThread && !Closing) {
        EndAutomaticRun(ReadRefusedBecause != ExitDone ? ReadRefusedBecause : ExitExchangeAbsent);
    }
}

void TMainForm::EndAutomaticRun(int status) {
    NoteExitCause(status);
    close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (Closing) {
        // A signal during a person's close may meet its question, which it
        // answers with Cancel: its own close comes after that one.
        CloseDeferred = CloseDeferred || ClosingOnSignal;
        event->ignore();
        return;
    }
    if (CloseMustWait()) {
        CloseDeferred = true;
        event->ignore();
        return;
    }
    Closing = true;
    bool mayClose = ConfirmCloseWithHeldLines();
    if (mayClose && LowLevel_) {
        // The download stops at the next record boundary.
        LowLevel_->StopRequested = true;
        WaitForReader();
        mayClose = RescueHeldLines();
        if (!mayClose) {
            // The read was stopped for the close: it must not look as if it ran on.
            ReturnToIdle();
        }
    }
    Closing = false;
    if (!mayClose) {
        event->ignore();
        CloseIfDeferred();
        return;
    }
    // A read that ended while closing must not close the program a second time.
    UnInterruptTimer->stop();
    CloseDeferred = false;
    WriteExitLine();
    event->accept();
}

bool TMainForm::ConfirmCloseWithHeldLines() {
    if (Automatic || ClosingOnSignal || ShownPendingLines == 0) {
        return true;
    }
    return AskOkCancel(
        this,
        QStringLiteral("Не записано в файл строк: %1. При выходе они будут сохранены в "
                       "отдельный файл в папке программы. Выйти из программы?")
            .arg(ShownPendingLines),
        QStringLiteral("Внимание!"));
}

// Lines that still cannot reach their file go to rescue files in the start
// folder. False when even that failed in a session with a person, who keeps the
// window (and the lines) open; an automatic run ends all the same, loudly.
bool TMainForm::RescueHeldLines() {
    if (!RecordHandler) {
        return true;
    }
    callfile::TCallFileWriter& writer = RecordHandler->Writer();
    writer.FlushPending();
    if (writer.PendingCount() == 0) {
        ShowPendingLines(0);
        return true;
    }
    const std::vector<callfile::TRescue> rescues =
        writer.Rescue(LowLevel_->StartPath, RescueStamp(Clock->LocalNow()));
    const bool allSaved = writer.PendingCount() == 0;
    ShowPendingLines(writer.PendingCount());
    if (allSaved) {
        NoteExitCause(ExitLinesRescued);
        ShowMessage(this, RescueReport(rescues), QStringLiteral("Внимание!"));
        return true;
    }
    if (!Automatic && !ClosingOnSignal) {
        ShowMessage(this,
                    RescueReport(rescues) +
                        QStringLiteral("\nПрограмма не закрыта: строки остаются в памяти."),
                    QStringLiteral("Ошибка!"));
        return false;
    }
    NoteExitCause(ExitLinesLost);
    ShowMessage(this,
                RescueReport(rescues) +
                    QStringLiteral("\nСтроки выведены в стандартный поток ошибок."),
                QStringLiteral("Ошибка!"));
    WriteHeldLinesToStandardError();
    return true;
}

QString TMainForm::RescueReport(const std::vector<callfile::TRescue>& rescues) const {
    QStringList report;
    for (const callfile::TRescue& rescue : rescues) {
        const QString lines = QStringLiteral("Строки, не записанные в файл %1 (%2)")
                                  .arg(Quoted(ToQString(rescue.FileName)))
                                  .arg(rescue.LineCount);
        report << (rescue.RescueFile.empty()
                       ? lines + QStringLiteral(", не удалось сохранить и в папке %1.")
                                     .arg(Quoted(ToQString(TextOfFilePath(LowLevel_->StartPath))))
                       : lines + QStringLiteral(", сохранены в файл %1.")
                                     .arg(Quoted(ToQString(TextOfFilePath(rescue.RescueFile)))));
    }
    return report.join(QLatin1Char('\n'));
}

// The last copy of lines that no file would take.
void TMainForm::WriteHeldLinesToStandardError() {
    for (const callfile::THeldLines& held : RecordHandler->Writer().Held()) {
        for (const std::string& line : held.Lines) {
            WriteToStandardError(ToQString(line));
        }
    }
}

// A refused selection ends the program at once: the held lines are saved first.
bool TMainForm::MayTerminate(int& status) {
    NoteExitCause(status);
    if (!RescueHeldLines()) {
        return false;
    }
    status = ExitStatus_;
    WriteExitLine();
    return true;
}

// The last line of an automatic run, or of one a signal ended, in the log of
// whoever started it.
void TMainForm::WriteExitLine() const {
    if (Automatic || ClosingOnSignal) {
        WriteToStandardError(QStringLiteral("Tallyvox: код завершения %1 (%2)")
                                 .arg(ExitStatus_)
                                 .arg(ExitCause(ExitStatus_)));
    }
}

} // namespace tallyvox::app
