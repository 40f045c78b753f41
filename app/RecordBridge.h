#pragma once
// Carries what the record handler reports from the reader thread to the window.

#include <QString>
#include <cstddef>

#include "callfile/RecordHandler.h"

namespace tallyvox::app {

// The window side of a handled record; called on the UI thread only.
class TRecordView {
public:
    virtual ~TRecordView() = default;
    virtual void ShowHandledRecord(const QString& line, int bufferFill, int rejectedCount,
                                   std::size_t pendingLines) = 0;
};

// The listener of the record handler: each record's window update runs on the UI
// thread while the reader thread waits, so the window always shows exactly the
// records already handled.
class TRecordBridge : public callfile::TRecordListener {
public:
    explicit TRecordBridge(TRecordView& view) : View(view) {}
    void RecordHandled(const std::string& line, int bufferFill, int rejectedCount,
                       std::size_t pendingLines) override;

private:
    TRecordView& View;
};

} // namespace tallyvox::app
