#include "model/LocalTime.h"

#include <time.h>

namespace tallyvox {

std::tm LocalTimeOf(std::time_t moment) {
    std::tm local{};
    localtime_s(&local, &moment);
    return local;
}

} // namespace tallyvox
