#include "callfile/RecordHandler.h"

#include <utility>

#include "callfile/CallLine.h"

namespace tallyvox::callfile {

TRecordHandler::TRecordHandler(boost::shared_ptr<TReadState> read, TRecordListener* listener)
    : Read(std::move(read)), Listener(listener) {}

TRecordHandler::~TRecordHandler() {
    FlushPending();
}

void TRecordHandler::operator()(const TRecord& record) {
    const std::string line = FormatCallLine(record);
    if (ReadHeader && Writer_.StartsNewFile(Read->TariffFileName)) {
        WriteHeader();
    }
    Writer_.AppendLine(Read->TariffFileName, line);
    TStatus& status = Read->Status;
    if (status.BufferFill > 0) {
        --status.BufferFill;
    }
    if (Listener != nullptr) {
        Listener->RecordHandled(line, status.BufferFill, Read->RejectedCount,
                                Writer_.PendingCount());
    }
}

void TRecordHandler::BeginRead() {
    ReadHeader = false;
    Writer_.FlushPending();
}

int TRecordHandler::WriteHeader() {
    ReadHeader = true;
    return Writer_.WriteHeader(Read->TariffFileName, Read->HeaderDateLine, Read->HeaderTitleLine);
}

int TRecordHandler::FlushPending() {
    return Writer_.FlushPending();
}

} // namespace tallyvox::callfile
