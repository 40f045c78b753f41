#pragma once
// One read of the exchange's call records without a window: the start of a read
// (flags, identification, header block) on the thread that owns the link, then
// the download passes, once or until stopped, on the thread that runs them. The
// window's reader thread is a thin thread around it; a program without a window
// adds only its own policy of when to start again.

#include <boost/shared_ptr.hpp>
#include <chrono>
#include <string>

#include "callfile/RecordHandler.h"
#include "exchange/LowLevel.h"

namespace tallyvox::capture {

using TSteadyTime = std::chrono::steady_clock::time_point;

enum class TReadMode { Once, Continuous };

// How the passes of a read came to an end.
enum class TSessionEnd {
    // The single pass ran to its end; LastPass tells how it ended.
    Ended,
    // StopRequested was set: the record in hand was finished first.
    Stopped,
    // The serial port failed under the download: another pass would fail too.
    PortFailed,
    // Anything else went wrong. The lines already handled are kept.
    Failed,
};

struct TSessionResult {
    TSessionEnd End = TSessionEnd::Ended;
    // How the last pass ended: the exchange stopped answering, refused selection.
    TDownloadEnd LastPass = TDownloadEnd::Finished;
    // For PortFailed and Failed: what to tell a person, in Windows-1251.
    std::string Error;
    // For PortFailed and Failed: what the failure itself said, for a log only.
    std::string Detail;
};

// Told on the thread that runs the passes.
class TPassListener {
public:
    virtual ~TPassListener() = default;
    // A pass ended otherwise than finished, or finished after one that did not:
    // end tells how, passStart when it began. Every silent pass is told, so a
    // listener that records cleared in between knows the exchange went silent
    // again; finished passes after finished ones cost the listener nothing.
    virtual void PassEnded(TDownloadEnd end, TSteadyTime passStart) = 0;
};

class TReadSession {
public:
    // The handler receives every record; both outlive the session's passes.
    TReadSession(boost::shared_ptr<TLowLevel> lowLevel, callfile::TRecordHandler& handler);

    // The steps before the passes run on the thread that owns the link, one
    // after another, while no passes run.

    // Opens the port named by the settings: OpenPort's result (PortOpened,
    // PortAlreadyOpen, PortOpenFailed); no ECommError escapes.
    int Open();
    // Clears what a previous read left (StopRequested, the counts) and hands the
    // records to the handler. Call only once the previous passes have ended: the
    // flags are theirs until then.
    void Prepare(TReadMode mode);
    // Identify's result (IdentifyDone or a negative failure); ECommError escapes.
    int Identify();
    // The header block of the status just identified, when SaveHeader is set:
    // built, then written (or held for the file). False when none is wanted.
    bool WriteHeader();

    // Runs the download passes: one, or pass after pass while Continuous is set,
    // until Stop. Catches every exception: whatever happens, the result says how
    // the read ended and the lines already handled stay handled.
    TSessionResult Run(TPassListener* listener);

private:
    boost::shared_ptr<TLowLevel> LowLevel;
    callfile::TRecordHandler& Handler;
};

} // namespace tallyvox::capture
