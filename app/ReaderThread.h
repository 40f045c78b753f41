#pragma once
// The thread that downloads the exchange's call records while the window stays
// responsive.

#include <QThread>
#include <boost/shared_ptr.hpp>
#include <chrono>

#include "exchange/LowLevel.h"

namespace tallyvox::app {

using TSteadyTime = std::chrono::steady_clock::time_point;

// What the reader thread asks of the window; every call runs on the UI thread
// while the reader thread waits.
class TReadView {
public:
    virtual ~TReadView() = default;
    virtual void DisableControls() = 0;
    // A download pass ended otherwise than the one before it (the first pass is
    // compared with a finished one): end tells how, passStart when it began.
    virtual void PassEnded(TDownloadEnd end, TSteadyTime passStart) = 0;
    // The download loop has ended normally (finished or stopped).
    virtual void ReadEnded() = 0;
    // The serial port failed under the download; the read is over.
    virtual void ReadLinkFailed() = 0;
};

class ReadATSThread : public QThread {
    Q_OBJECT
public:
    // The name debuggers see; the operating system keeps only its first 15 characters.
    static constexpr const char* ThreadName = "Quillet_ReaderThread";

    // Call Start to run; the thread keeps lowLevel alive while it runs.
    ReadATSThread(TReadView& form, boost::shared_ptr<TLowLevel> lowLevel);
    // Starts the download at time-critical priority.
    void Start();

protected:
    void run() override;

private:
    // What Download returns when the port failed in its first link check.
    static constexpr int DownloadPortFailed = -2;

    // Downloads once, or pass after pass while Continuous is set, until done or
    // stopped; false when the serial port failed under the download.
    bool DownloadUntilDone();

    TReadView& Form;
    boost::shared_ptr<TLowLevel> LowLevel;
};

} // namespace tallyvox::app
