#include "model/LocalTime.h"

namespace tallyvox {

std::tm LocalTimeOf(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    return local;
}

} // namespace tallyvox
