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
    try {
        DownloadUntilDone();
    } catch (const ECommError&) {
        // The port failed under the download: the read cannot go on, and the
        // window must not keep showing it as running.
        RunOnUiThread([this] { Form.ReadLinkFailed(); });
        return;
    }
    RunOnUiThread([this] { Form.ReadEnded(); });
}

void ReadATSThread::DownloadUntilDone() {
    do {
        LowLevel->Download(LowLevel->RecordCallback);
        if (LowLevel->StopRequested) {
            return;
        }
    } while (LowLevel->Continuous);
}

} // namespace tallyvox::app
