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

} // namespace tallyvox::report
