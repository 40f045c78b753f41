// The exchange object and its port are held by shared pointers; using an empty
// one must stop the program with "px != 0" in every build, release included.

#include <boost/shared_ptr.hpp>
#include <gtest/gtest.h>

#include "exchange/CommPort.h"
#include "exchange/LowLevel.h"

namespace tallyvox {
namespace {

TEST(OwnershipDeathTest, AnEmptySharedPointerStopsTheProgramWithItsCondition) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    boost::shared_ptr<TLowLevel> noExchange;
    EXPECT_DEATH((void)noExchange->ExchangeCount, "px != 0");
    boost::shared_ptr<TCommPort> noPort;
    EXPECT_DEATH((void)noPort->IsOpen(), "px != 0");
}

} // namespace
} // namespace tallyvox
