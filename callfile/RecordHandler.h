#pragma once
// The core of CallRecordHandler: formats a record, appends it, counts the buffer
// fill down and tells a listener what the window must show. Runs on the reader thread.

#include <boost/shared_ptr.hpp>
#include <string>

#include "callfile/CallFileWriter.h"
#include "model/ReadState.h"
#include "model/Record.h"

namespace tallyvox::callfile {

class TRecordListener {
public:
    virtual ~TRecordListener() = default;
    // One call per record, after the line was appended (or queued): the line, the
    // buffer fill after the countdown, the rejected count and the lines still
    // waiting for the file. The listener may block until the window has shown it.
    virtual void RecordHandled(const std::string& line, int bufferFill, int rejectedCount,
                               std::size_t pendingLines) = 0;
};

// One handler for the life of the program, so that lines waiting for the file
// survive from one read to the next. The reader thread calls it during a read;
// the UI thread may use it while no read runs.
class TRecordHandler {
public:
    // read is the exchange object's share of the read (TLowLevel is one): the
    // file name and rejected count it reads, the buffer fill it counts down.
    TRecordHandler(boost::shared_ptr<TReadState> read, TRecordListener* listener);
    // Not copyable: its writer holds the lines waiting for the file, so a copy would
    // split them. RecordCallback refers to it (std::ref, or a lambda holding its address).
    TRecordHandler(const TRecordHandler&) = delete;
    TRecordHandler& operator=(const TRecordHandler&) = delete;
    // Makes a last attempt to write the lines that still wait for the file.
    ~TRecordHandler();
    // A line the file does not take waits in the writer; no file failure raises.
    // A read with a header that comes to a new file (the old one moved away, or
    // emptied by rotation) opens it with the header again, as a read would.
    void operator()(const TRecord& record);
    // A read starts: the lines that wait go to their files first, where these
    // take them now, header or not; no header until WriteHeader says it has one.
    void BeginRead();
    // Writes the header block of the read (BuildHeader must have run):
    // LinesWritten, or LinesHeld when it waits for the file; no file failure raises.
    int WriteHeader();
    // Writes the waiting lines to the files they were meant for now (for a retry
    // between reads): LinesWritten when none waits any more, LinesHeld when some
    // still wait; no file failure raises.
    int FlushPending();
    TCallFileWriter& Writer() { return Writer_; }

private:
    boost::shared_ptr<TReadState> Read;
    TRecordListener* Listener;
    TCallFileWriter Writer_;
    bool ReadHeader = false;
};

} // namespace tallyvox::callfile
