#include "callfile/RecordHandler.h"

#include <utility>

#include "callfile/CallLine.h"

namespace tallyvox::callfile {

TRecordHandler::TRecordHandler(boost::shared_ptr<TLowLevel> lowLevel, TRecordListener* listener)
    : LowLevel(std::move(lowLevel)), Listener(listener) {}

TRecordHandler::~TRecordHandler() {
    FlushPending();
}

void TRecordHandler::operator()(const TRecord& record) {
    const std::string line = FormatCallLine(record);
    Writer_.AppendLine(LowLevel->TariffFileName, line);
    TStatus& status = LowLevel->Status;
    if (status.BufferFill > 0) {
        --status.BufferFill;
    }
    if (Listener != nullptr) {
        Listener->RecordHandled(line, status.BufferFill, LowLevel->RejectedCount,
                                Writer_.PendingCount());
    }
}

int TRecordHandler::WriteHeader() {
    return Writer_.WriteHeader(LowLevel->TariffFileName, LowLevel->HeaderDateLine,
                               LowLevel->HeaderTitleLine);
}

int TRecordHandler::FlushPending() {
    return Writer_.FlushPending();
}

} // namespace tallyvox::callfile
