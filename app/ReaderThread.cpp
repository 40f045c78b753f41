#include "app/ReaderThread.h"

#include "app/UiThread.h"
#include "exchange/CommError.h"

namespace tallyvox::app {

ReadATSThread::ReadATSThread(TReadView& form, boost::shared_ptr<TLowLevel> lowLevel)
    : Form(form), LowLevel(std::move(lowLevel)) {
    // Qt hands the object name to the operating system when the thread starts.
    setObjectName(QString::fromLatin1(ThreadName));
}

void ReadATSThread::Start() {
    start(QThread::TimeCriticalPriority);
}

void ReadATSThread::run() {
    RunOnUiThread([this] { Form.DisableControls(); });
    if (DownloadUntilDone()) {
        RunOnUiThread([this] { Form.ReadEnded(); });
    } else {
        // The read cannot go on, and the window must not keep showing it as running.
        RunOnUiThread([this] { Form.ReadLinkFailed(); });
    }
}

bool ReadATSThread::DownloadUntilDone() {
    TDownloadEnd shownEnd = TDownloadEnd::Finished;
    try {
        do {
            // A port that fails before the first exchange is selected is reported
            // as a result, not raised; it is just as gone, and another pass would
            // fail again at once, round and round.
            const TSteadyTime passStart = std::chrono::steady_clock::now();
            if (LowLevel->Download(LowLevel->RecordCallback) == DownloadPortFailed) {
                return false;
            }
            // Only a change is handed over: passes that go on as before cost the
            // window nothing.
            const TDownloadEnd end = LowLevel->DownloadEnd;
            if (end != shownEnd) {
                shownEnd = end;
                RunOnUiThread([this, end, passStart] { Form.PassEnded(end, passStart); });
            }
            if (LowLevel->StopRequested) {
                return true;
            }
        } while (LowLevel->Continuous);
        return true;
    } catch (const ECommError&) {
        return false;
    }
}

} // namespace tallyvox::app
