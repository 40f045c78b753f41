// The capture path under faults, short: about 2000 records, every fault kind
// switched on by a fixed seed. tests/soak/long_soak.sh runs the long one.

#include <gtest/gtest.h>
#include <iostream>

#include "tests/kit/TempDir.h"
#include "tests/soak/Soak.h"

namespace tallyvox::soak {
namespace {

TEST(SoakTest, NoRecordIsLostDoubledOrTornUnderFaults) {
    testkit::TTempDir folder;
    const TSoakFigures figures = RunSoak(TSoakOptions{}, folder.Path());
    PrintFigures(std::cout, figures);
    EXPECT_TRUE(figures.Violations.empty());
    EXPECT_GE(figures.Delivered, 2000u);
    for (int kind = 0; kind < FaultKinds; ++kind) {
        EXPECT_GT(figures.Faults[kind], 0) << "fault kind " << kind << " never came";
    }
    EXPECT_GT(figures.MostLinesHeld, 0u) << "the file was never away while records came";
}

} // namespace
} // namespace tallyvox::soak
