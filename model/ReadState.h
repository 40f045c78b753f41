#pragma once
// What a read shares between the exchange object and the call file: a plain
// value of the model, so that the call file needs no port, link or settings
// file to write what a read delivers.

#include <atomic>
#include <string>

#include "model/Status.h"

namespace tallyvox {

struct TReadState {
    // What identification learned; the record handler counts BufferFill down
    // as the records arrive.
    TStatus Status;
    // Records of this read given up as unreadable; written by the reader thread.
    std::atomic<int> RejectedCount{0};
    // The call file's name (Windows-1251 text) from the output configuration.
    std::string TariffFileName;
    // The header block of the read, set by BuildHeader before it is written.
    std::string HeaderDateLine;
    std::string HeaderTitleLine;
};

} // namespace tallyvox
