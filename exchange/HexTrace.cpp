#include "exchange/HexTrace.h"

namespace tallyvox {

THexTrace::~THexTrace() {
    if (Direction != '\0') {
        Out << '\n';
    }
}

void THexTrace::Write(char direction, std::uint8_t byte) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    if (direction != Direction) {
        if (Direction != '\0') {
            Out << '\n';
        }
        Out << direction;
        Direction = direction;
    }
    Out << ' ' << Digits[byte >> 4] << Digits[byte & 0x0F];
}

} // namespace tallyvox
