#pragma once
// The exchange object on one side of a real pseudo-terminal and the simulator on
// the other, in a fresh working folder, with protocol time running ten times
// faster than real time.

#include <algorithm>
#include <boost/make_shared.hpp>
#include <gtest/gtest.h>
#include <memory>

#include "exchange/LowLevel.h"
#include "tests/kit/RecordingNotifier.h"
#include "tests/kit/SimHarness.h"
#include "tests/kit/TempDir.h"

namespace tallyvox::e2e {

using TBytes = std::vector<std::uint8_t>;

class LinkFixture : public ::testing::Test {
protected:
    // Starts the simulator of the scenario, maps COM1 to it and opens the port.
    void Connect(sim::TScenario scenario, boost::shared_ptr<TClock> clock = nullptr) {
        Harness = std::make_unique<testkit::TSimHarness>(std::move(scenario));
        MakeLink(Harness->MapPort(1), clock ? clock : boost::make_shared<TScaledClock>(10.0));
    }

    void MakeLink(const std::string& portName, boost::shared_ptr<TClock> clock) {
        Link = std::make_unique<TLowLevel>(std::move(clock), Notifier);
        ASSERT_EQ(Link->OpenPort(portName), 1);
    }

    sim::TSimulator& Sim() { return Harness->Sim(); }

    // The commands the simulator saw, probes left out.
    std::vector<sim::TCommandSeen> CommandsBesideProbes() {
        std::vector<sim::TCommandSeen> commands = Sim().Commands();
        std::erase_if(commands, [](const sim::TCommandSeen& c) {
            return c.Kind == sim::TCommandKind::Probe;
        });
        return commands;
    }

    int CountOf(sim::TCommandKind kind) {
        const std::vector<sim::TCommandSeen> commands = Sim().Commands();
        return static_cast<int>(std::count_if(commands.begin(), commands.end(),
                                              [&](const auto& c) { return c.Kind == kind; }));
    }

    testkit::TTempDir Folder;
    testkit::TCurrentDir InFolder{Folder.Path()};
    boost::shared_ptr<testkit::TRecordingNotifier> Notifier =
        boost::make_shared<testkit::TRecordingNotifier>();
    std::unique_ptr<testkit::TSimHarness> Harness;
    // Declared last: the port closes before the simulator goes.
    std::unique_ptr<TLowLevel> Link;
};

} // namespace tallyvox::e2e
