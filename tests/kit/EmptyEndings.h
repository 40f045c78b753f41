#pragma once
// Both ways an exchange ends its records once its buffer is empty, for tests
// that must hold whichever way the exchange at the other end chose.

#include <gtest/gtest.h>
#include <string>

#include "sim/Scenario.h"

namespace tallyvox::testkit {

inline auto BothEmptyEndings() {
    return ::testing::Values(sim::TEmptyEnding::ShortReply, sim::TEmptyEnding::LinkCheck);
}

inline std::string EmptyEndingName(const ::testing::TestParamInfo<sim::TEmptyEnding>& info) {
    return info.param == sim::TEmptyEnding::ShortReply ? "ShortReply" : "LinkCheck";
}

} // namespace tallyvox::testkit
