#include "report/MaskDigits.h"

namespace tallyvox::report {

std::string MaskDigits(std::string_view number, unsigned count) {
    std::string masked(number);
    for (auto digit = masked.rbegin(); digit != masked.rend() && count > 0; ++digit) {
        if (*digit >= '0' && *digit <= '9') {
            *digit = 'X';
            --count;
        }
    }
    return masked;
}

TCallList MaskedCalls(const TCallList& calls, unsigned count) {
    TCallList masked;
    masked.Reserve(calls.Count());
    for (TExtStr_rep call : calls) {
        const std::string number = MaskDigits(call.DialledNumber, count);
        call.DialledNumber = number;
        masked.Append(call);
    }
    masked.SetLineCount(calls.LineCount());
    return masked;
}

} // namespace tallyvox::report
