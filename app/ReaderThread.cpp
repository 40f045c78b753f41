#include "app/ReaderThread.h"

#include "app/UiThread.h"

namespace tallyvox::app {

ReadATSThread::ReadATSThread(TReadView& form, boost::shared_ptr<capture::TReadSession> session)
    : Form(form), Session(std::move(session)) {
    // Qt hands the object name to the operating system when the thread starts.
    setObjectName(QString::fromLatin1(ThreadName));
}

void ReadATSThread::Start() {
    start(QThread::TimeCriticalPriority);
}

// The session catches whatever the passes raise, so nothing leaves this thread
// and ends the process: the window is always told how the read ended.
void ReadATSThread::run() {
    RunOnUiThread([this] { Form.DisableControls(); });
    const capture::TSessionResult result = Session->Run(this);
    RunOnUiThread([this, &result] { Form.ReadEnded(result); });
}

void ReadATSThread::PassEnded(TDownloadEnd end, TSteadyTime passStart) {
    RunOnUiThread([this, end, passStart] { Form.PassEnded(end, passStart); });
}

} // namespace tallyvox::app
