#pragma once
// A file-size limit makes the system write only part of what is asked, as a full
// disk does; the signal that the limit raises is ignored meanwhile, so the write
// just falls short. For the life of the object.

#include <csignal>
#include <sys/resource.h>

namespace tallyvox::testkit {

class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &Previous);
        PreviousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = Previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &Previous);
        std::signal(SIGXFSZ, PreviousHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit Previous{};
    void (*PreviousHandler)(int) = nullptr;
};

} // namespace tallyvox::testkit
