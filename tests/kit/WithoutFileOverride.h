#pragma once
// File permissions hold for this thread even when the tests run as root: the
// capabilities that pass over them (reading, writing, searching any file) are
// taken out of the thread's effective set for the life of the object and put
// back after. A no-op for a user who never had them.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tallyvox::testkit {

class TWithoutFileOverride {
public:
    TWithoutFileOverride() {
        syscall(SYS_capget, &Header, Saved);
        __user_cap_data_struct lowered[2] = {Saved[0], Saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &Header, lowered);
    }
    ~TWithoutFileOverride() { syscall(SYS_capset, &Header, Saved); }
    TWithoutFileOverride(const TWithoutFileOverride&) = delete;
    TWithoutFileOverride& operator=(const TWithoutFileOverride&) = delete;

private:
    __user_cap_header_struct Header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct Saved[2]{};
};

} // namespace tallyvox::testkit
