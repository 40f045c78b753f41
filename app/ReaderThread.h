#pragma once
// The thread that runs a read session's download passes while the window stays
// responsive.

#include <QThread>
#include <boost/shared_ptr.hpp>

#include "capture/ReadSession.h"

namespace tallyvox::app {

using capture::TSteadyTime;

// What the reader thread asks of the window; every call runs on the UI thread
// while the reader thread waits.
class TReadView {
public:
    virtual ~TReadView() = default;
    virtual void DisableControls() = 0;
    // A download pass ended otherwise than the one before it (the first pass is
    // compared with a finished one): end tells how, passStart when it began.
    virtual void PassEnded(TDownloadEnd end, TSteadyTime passStart) = 0;
    // The passes have ended: finished, stopped, or broken off (result.Error then
    // says why). The lines already handled are kept in every case.
    virtual void ReadEnded(const capture::TSessionResult& result) = 0;
};

class ReadATSThread : public QThread, private capture::TPassListener {
    Q_OBJECT
public:
    // The name debuggers see; the operating system keeps only its first 15 characters.
    static constexpr const char* ThreadName = "Quillet_ReaderThread";

    // Call Start to run; the thread keeps the session (and through it the
    // exchange object) alive while it runs.
    ReadATSThread(TReadView& form, boost::shared_ptr<capture::TReadSession> session);
    // Starts the passes at time-critical priority.
    void Start();

protected:
    void run() override;

private:
    void PassEnded(TDownloadEnd end, TSteadyTime passStart) override;

    TReadView& Form;
    boost::shared_ptr<capture::TReadSession> Session;
};

} // namespace tallyvox::app
