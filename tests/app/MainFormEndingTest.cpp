// The program ends at once when an exchange refuses selection: the lines that
// the call file did not take during an earlier read are written, or saved to a
// rescue file, before the process ends, whichever command met the refusal.

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>

#include "app/SignalCloser.h"
#include "exchange/ExitStatus.h"
#include "exchange/LinkMessages.h"
#include "sim/Scenario.h"
#include "tests/app/MainWindowWorld.h"
#include "tests/kit/SimHarness.h"

using tallyvox::testkit::MoveAwayAtListCount;
using tallyvox::testkit::ReadTimeoutMs;
using tallyvox::testkit::RescueFiles;
using tallyvox::testkit::TMainWindowWorld;
using tallyvox::testkit::TSimHarness;

class MainFormEndingTest : public QObject {
    Q_OBJECT

private slots:
    void aRefusedSelectionKeepsTheHeldLinesBeforeTheProgramEnds() {
        struct TCase {
            const char* Name;
            const char* Command;
            bool FileBack; // the call file takes lines again before the command
            int Status;
        };
        const TCase cases[] = {
            {"Обновить, call file still gone: rescued", "ReloadAction", false,
             tallyvox::ExitLinesRescued},
            {"a new read, call file back: written", "LoadFromATSMenuItem", true,
             tallyvox::ExitSelectionRefused},
        };
        for (const TCase& c : cases) {
            qInfo("%s", c.Name);
            TMainWindowWorld world;
            TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 5));
            QVERIFY(world.StartReadyToRead(sim));
            const std::filesystem::path parked = world.PathOf("parked.txt");
            MoveAwayAtListCount(world, 2 + 2, world.CallFile(), parked);
            world.Command("LoadFromATSMenuItem")->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
            const std::vector<std::string> shown = world.ListLines();
            QCOMPARE(shown.size(), std::size_t{2 + 5});
            if (c.FileBack) {
                std::filesystem::remove(world.CallFile());
                std::filesystem::rename(parked, world.CallFile());
            }
            std::vector<std::string> callFileAtExit;
            std::vector<std::filesystem::path> rescuedAtExit;
            world.Notifier->AtExit = [&](int) {
                callFileAtExit = world.Lines(c.FileBack ? world.CallFile() : parked.string());
                rescuedAtExit = RescueFiles(world);
            };
            sim.Sim().ChangeFaults([](tallyvox::sim::TFaults& f) { f.RefusedExchange = 0; });

            world.Command(c.Command)->trigger();

            QVERIFY(world.HasMessage(
                tallyvox::app::ToQString(tallyvox::messages::SelectionRefused()), QString()));
            QCOMPARE(world.Notifier->Exits, std::vector<int>{c.Status});
            const std::vector<std::string> held(shown.end() - 3, shown.end());
            if (c.FileBack) {
                QVERIFY(callFileAtExit == shown);
                QVERIFY(rescuedAtExit.empty());
            } else {
                QCOMPARE(callFileAtExit.size(), std::size_t{2 + 2});
                QCOMPARE(rescuedAtExit.size(), std::size_t{1});
                QVERIFY(world.Lines(rescuedAtExit[0].string()) == held);
            }
        }
    }

    // SIGTERM during continuous reading with lines the call file no longer
    // takes: the window closes without asking, the lines are in a rescue file.
    void aSignalClosesTheWindowAndRescuesTheHeldLines() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 5));
        QVERIFY(world.StartReadyToRead(sim));
        const tallyvox::app::TSignalCloser closer([&world] { world.Form->CloseOnSignal(); });
        MoveAwayAtListCount(world, 2 + 2, world.CallFile(), world.PathOf("parked.txt"));
        world.Command("ReadUninterruptMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() == 2 + 5, ReadTimeoutMs);
        const std::vector<std::string> shown = world.ListLines();

        std::raise(SIGTERM);

        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->isVisible(), ReadTimeoutMs);
        QVERIFY(!world.Form->ReaderRunning());
        const std::vector<std::filesystem::path> rescued = RescueFiles(world);
        QCOMPARE(rescued.size(), std::size_t{1});
        QVERIFY(world.Lines(rescued[0].string()) ==
                std::vector<std::string>(shown.end() - 3, shown.end()));
        QCOMPARE(world.Form->ExitStatus(), tallyvox::ExitLinesRescued);
        for (const tallyvox::testkit::TShownMessage& message : world.Messages) {
            QVERIFY2(!message.Text.contains(QStringLiteral("Выйти из программы?")),
                     "a signal is not asked");
        }
    }

    // The close stopped continuous reading, then even the rescue file failed: the
    // window stays, and must not go on saying that it reads.
    void aRefusedCloseReturnsTheWindowToIdle() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 5));
        QVERIFY(world.StartReadyToRead(sim));
        MoveAwayAtListCount(world, 2 + 2, world.CallFile(), world.PathOf("parked.txt"));
        world.Command("ReadUninterruptMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() == 2 + 5, ReadTimeoutMs);
        world.Form->LowLevel()->StartPath = world.PathOf("no such folder");

        world.Form->close();

        QVERIFY(world.Form->isVisible());
        QVERIFY(RescueFiles(world).empty());
        QVERIFY(!world.Form->ReaderRunning());
        QVERIFY(!world.Form->LowLevel()->Continuous);
        QVERIFY(world.Control<QLabel>("UnInterruptPanel")->text().isEmpty());
        QVERIFY(!world.Command("StopAction")->isEnabled());
        QVERIFY(world.Command("LoadFromATSMenuItem")->isEnabled());
        QVERIFY(world.Command("ReadUninterruptMenuItem")->isEnabled());
    }

    // A close that comes while a new read waits for a stopped reader to finish
    // waits itself until that read has started: it then stops the new reader
    // too, instead of leaving it to run on after the window has closed.
    void aCloseDuringTheWaitForTheReaderComesAfterTheCommand() {
        TMainWindowWorld world;
        // Protocol time at real speed, and an exchange slow to answer: the
        // stopped reader takes a while to finish its link check.
        world.Clock = boost::make_shared<tallyvox::TScaledClock>(1.0);
        tallyvox::sim::TScenario scenario = tallyvox::sim::SingleExchangeScenario(6, 300);
        scenario.Timing.FastMargin = std::chrono::milliseconds(30);
        TSimHarness sim(scenario);
        QVERIFY(world.StartReadyToRead(sim));
        world.Command("ReadUninterruptMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() >= 2 + 2, ReadTimeoutMs);
        const auto identifications = [&] {
            const std::vector<tallyvox::sim::TCommandSeen> seen = sim.Sim().Commands();
            return std::count_if(seen.begin(), seen.end(), [](const auto& command) {
                return command.Kind == tallyvox::sim::TCommandKind::Identify;
            });
        };
        const auto before = identifications();

        world.Command("StopAction")->trigger();
        QVERIFY(world.Form->ReaderRunning());
        QTimer::singleShot(0, world.Form.get(), [&] { world.Form->close(); });
        world.Command("LoadFromATSMenuItem")->trigger();

        QCOMPARE(identifications(), before + 1);
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->isVisible(), ReadTimeoutMs);
        QVERIFY(!world.Form->ReaderRunning());
        QVERIFY(sim.Sim().PendingRecords(0) > 0);
    }
};

QTEST_MAIN(MainFormEndingTest)
#include "MainFormEndingTest.moc"
