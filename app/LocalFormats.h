#pragma once
// The user's date and time formats as the windows show them.

#include <QString>

namespace tallyvox::app {

// The locale's long time format without the time zone: the windows show the
// computer's or the exchange's clock as it reads, not a zone.
QString LongTimeFormat();

} // namespace tallyvox::app
