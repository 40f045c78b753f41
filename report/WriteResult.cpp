#include "report/WriteResult.h"

#include <cstring>

namespace tallyvox::report {

TWriteResult WrittenFile(const std::string& fileName) {
    return {fileName, {}, 0, 0};
}

TWriteResult FailedWrite(const std::string& fileName, int error, int code) {
    // A failure that left no error number still needs a reason to be told.
    const std::string reason = error != 0 ? std::strerror(error) : "the write failed";
    return {fileName, reason, error, code};
}

} // namespace tallyvox::report
