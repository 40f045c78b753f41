// The program ends at once when an exchange refuses selection: the lines that
// the call file did not take during an earlier read are written, or saved to a
// rescue file, before the process ends, whichever command met the refusal.

#include <filesystem>

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
};

QTEST_MAIN(MainFormEndingTest)
#include "MainFormEndingTest.moc"
