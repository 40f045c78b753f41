#include "capture/ReconnectPolicy.h"

#include <algorithm>

namespace tallyvox::capture {

TReconnectPolicy::TReconnectPolicy(TMilliseconds first, TMilliseconds longest)
    : First_(std::max(first, TMilliseconds(1))), Longest_(std::max(longest, First_)), Next(First_) {
}

TReconnectPolicy::TMilliseconds TReconnectPolicy::NextWait() {
    const TMilliseconds wait = Next;
    Next = Next >= Longest_ / 2 ? Longest_ : Next * 2;
    return wait;
}

void TReconnectPolicy::Reset() {
    Next = First_;
}

} // namespace tallyvox::capture
