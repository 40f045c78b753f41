// Reads from the main window against the exchange simulator on a
// pseudo-terminal: the single read, Stop, continuous reading, closing during a
// read, a link that goes away, and lines that wait for their file.

#include <regex>

#include "app/Gauge.h"
#include "exchange/LinkMessages.h"
#include "sim/Scenario.h"
#include "tests/app/MainWindowWorld.h"
#include "tests/kit/SimHarness.h"

using tallyvox::app::TGauge;
using tallyvox::apptest::ReadTimeoutMs;
using tallyvox::apptest::TMainWindowWorld;
using tallyvox::sim::TBufferRecord;
using tallyvox::sim::TScenario;
using tallyvox::testkit::TSimHarness;

namespace {

const std::string HeaderDatePrefix = tallyvox::app::ToCp1251(QStringLiteral("       Данные на  "));
const std::string HeaderTitle = tallyvox::app::ToCp1251(
    QStringLiteral("       Начало         Продолжит   Абонент      СЛ     Номер"));

// A whole call line: date, start, duration, line(program), trunk, and the
// number field filled to 21 characters.
const std::regex WholeCallLine(
    R"(\d\d[-*]\d\d[-*]\d{4} \d\d[:*]\d\d[:*]\d\d   \d{2,}[:*]\d{2,}[:*]\d\d   \d+\(.{4}\)   .{5}     .{21,})");

int CountHeaders(const std::vector<std::string>& lines) {
    int count = 0;
    for (const std::string& line : lines) {
        count += line.rfind(HeaderDatePrefix, 0) == 0 ? 1 : 0;
    }
    return count;
}

bool AllCallLinesComplete(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        const bool header = !line.empty() && line.front() == ' ';
        if (!header && !std::regex_match(line, WholeCallLine)) {
            qWarning("incomplete call line: [%s]", line.c_str());
            return false;
        }
    }
    return true;
}

tallyvox::sim::TCall LaterCall(std::uint16_t line) {
    tallyvox::sim::TCall call;
    call.DurationSeconds = 120;
    call.HardwareLine = line;
    call.DirectoryNumber = std::to_string(line);
    call.TrunkCode = 1;
    call.Dialled = "5551234";
    return call;
}

} // namespace

class MainFormReadTest : public QObject {
    Q_OBJECT

private slots:
    void aSingleReadWritesTheHeaderAndEveryCallAndCountsTheFillDown() {
        TMainWindowWorld world;
        TScenario scenario = tallyvox::sim::SingleExchangeScenario(6, 30);
        TBufferRecord erased;
        erased.Kind = TBufferRecord::TKind::Erased;
        scenario.Exchanges[0].Records.push_back(erased);
        TSimHarness sim(scenario);
        QVERIFY(world.StartReadyToRead(sim));
        QCOMPARE(world.Panel(4), QStringLiteral("В буфере : 31"));

        world.Command("LoadFromATSMenuItem")->trigger();
        QVERIFY(world.Form->ReaderRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);

        const std::vector<std::string> lines = world.Lines(world.CallFile());
        QCOMPARE(lines.size(), std::size_t{2 + 30});
        QCOMPARE(lines[0].rfind(HeaderDatePrefix, 0), std::size_t{0});
        QCOMPARE(lines[1], HeaderTitle);
        QVERIFY(AllCallLinesComplete(lines));
        QVERIFY(lines == world.ListLines());
        QCOMPARE(world.List()->currentRow(), world.List()->count() - 1);
        // Only accepted records count the fill down: the erased one stays in the figure.
        QCOMPARE(world.Panel(4), QStringLiteral("В буфере : 1"));
        QCOMPARE(world.Panel(5), QStringLiteral("Отвергнуто записей: 1"));
        QCOMPARE(world.Control<TGauge>("CGauge1")->Progress(), 1);
        QVERIFY(world.Command("LoadFromATSMenuItem")->isEnabled());
        QVERIFY(!world.Command("StopAction")->isEnabled());
        QVERIFY(!world.Control<QLabel>("PendingLinesPanel")->isVisible());
        QVERIFY(world.Messages.empty());
    }

    void aReadWithoutACallFileOnlyAsksForOne() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 3));
        sim.MapPort(1);
        world.WriteSettings();
        QVERIFY(world.StartWindow());
        const std::size_t bytesSeen = sim.Sim().ReceivedBytes().size();

        world.Command("LoadFromATSMenuItem")->trigger();

        QCOMPARE(world.Messages.size(), std::size_t{1});
        QCOMPARE(world.Messages[0].Text, QStringLiteral("Не выбран файл для сохранения данных."));
        QCOMPARE(world.Messages[0].Caption, QStringLiteral("Внимание!"));
        QVERIFY(!world.Form->ReaderRunning());
        QVERIFY(world.Command("LoadFromATSMenuItem")->isEnabled());
        QCOMPARE(sim.Sim().ReceivedBytes().size(), bytesSeen);
    }

    void controlsWhileReadingFollowTheReadingState() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 300));
        QVERIFY(world.StartReadyToRead(sim));

        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() > 2, ReadTimeoutMs);
        for (const char* name :
             {"SelectFileFromData_MenuItem", "Report_MenuItem", "LoadFromATSMenuItem",
              "ReadUninterruptMenuItem", "RealTime_MenuItem", "ClearListMenuItem",
              "OptionsMenuItem", "ReloadAction"}) {
            QVERIFY2(!world.Command(name)->isEnabled(), name);
        }
        QVERIFY(!world.Control<QWidget>("ReadDataToolButton")->isEnabled());
        QVERIFY(!world.Control<QWidget>("ReloadToolButton")->isEnabled());
        QVERIFY(world.Control<QWidget>("StopToolButton")->isEnabled());
        QVERIFY(world.Command("ExitMenuItem")->isEnabled());
        QVERIFY(world.Command("AboutMenuItem")->isEnabled());
        world.Command("StopAction")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
    }

    void stopEndsTheReadAtARecordBoundaryAndFreesTheControlsAtOnce() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 300));
        QVERIFY(world.StartReadyToRead(sim));

        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() >= 2 + 5, ReadTimeoutMs);
        world.Command("StopAction")->trigger();
        QVERIFY(!world.Command("StopAction")->isEnabled());
        QVERIFY(world.Command("LoadFromATSMenuItem")->isEnabled());
        QVERIFY(world.Command("ReloadAction")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);

        const std::vector<std::string> lines = world.Lines(world.CallFile());
        QVERIFY(world.ReadBytes(world.CallFile()).ends_with("\r\n"));
        QVERIFY(AllCallLinesComplete(lines));
        QCOMPARE(lines.size() - 2, sim.Sim().SentRecords().size());
        QVERIFY(sim.Sim().PendingRecords(0) > 0);
        QVERIFY(lines == world.ListLines());
    }

    void aSingleReadAfterAStoppedReadStartsAtOnceAndReadsOnce() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 40));
        sim.MapPort(1);
        world.WriteSettings(1, 0);
        world.WriteOutConfig(world.CallFile());
        QVERIFY(world.StartWindow());

        world.Command("ReadUninterruptMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() >= 3, ReadTimeoutMs);
        world.Command("StopAction")->trigger();
        // The stopped reader may still be finishing its record: the new read waits for it.
        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);

        QCOMPARE(world.Lines(world.CallFile()).size(), std::size_t{40});
        QCOMPARE(sim.Sim().PendingRecords(0), 0);
        QVERIFY(world.Control<QLabel>("UnInterruptPanel")->text().isEmpty());
    }

    void continuousReadingWritesOneHeaderAndPicksUpLaterCalls() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 5));
        QVERIFY(world.StartReadyToRead(sim));
        auto* panel = world.Control<QLabel>("UnInterruptPanel");

        world.Command("ReadUninterruptMenuItem")->trigger();
        QCOMPARE(panel->text(), QStringLiteral("Идет непрерывное считывание"));
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() == 2 + 5, ReadTimeoutMs);
        // Let a few empty passes go by before the exchange gets new calls.
        QVERIFY(sim.Sim().WaitForCommands(tallyvox::sim::TCommandKind::FirstRecord, 3,
                                          std::chrono::milliseconds(ReadTimeoutMs)));
        sim.Sim().AddCall(0, LaterCall(201));
        sim.Sim().AddCall(0, LaterCall(202));
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() == 2 + 7, ReadTimeoutMs);
        QCOMPARE(panel->text(), QStringLiteral("Идет непрерывное считывание"));
        QVERIFY(world.Command("StopAction")->isEnabled());

        world.Command("StopAction")->trigger();
        QVERIFY(panel->text().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);

        const std::vector<std::string> lines = world.Lines(world.CallFile());
        QCOMPARE(lines.size(), std::size_t{2 + 7});
        QCOMPARE(CountHeaders(lines), 1);
        QVERIFY(AllCallLinesComplete(lines));
        QVERIFY(panel->text().isEmpty());
        QVERIFY(world.Command("LoadFromATSMenuItem")->isEnabled());
    }

    void aContinuousStartThatFindsNoExchangeKeepsStopUntilItIsPressed() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 60));
        QVERIFY(world.StartReadyToRead(sim));
        auto* panel = world.Control<QLabel>("UnInterruptPanel");
        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() >= 2 + 3, ReadTimeoutMs);

        // The exchange goes quiet; the stopped reader is still finishing its
        // record when the continuous start comes.
        sim.Sim().ChangeFaults(
            [](auto& faults) { faults.Probe = tallyvox::sim::TProbeFault::Silent; });
        world.Command("StopAction")->trigger();
        world.Command("ReadUninterruptMenuItem")->trigger();

        QVERIFY(!world.Form->ReaderRunning());
        QCOMPARE(world.Panel(0), QStringLiteral("АТС: -"));
        QCOMPARE(panel->text(), QStringLiteral("Идет непрерывное считывание"));
        QVERIFY(world.Command("StopAction")->isEnabled());
        QVERIFY(world.Form->LowLevel()->Continuous);
        QVERIFY(world.Command("LoadFromATSMenuItem")->isEnabled());

        world.Command("StopAction")->trigger();
        QVERIFY(panel->text().isEmpty());
        QVERIFY(!world.Command("StopAction")->isEnabled());
        QVERIFY(!world.Form->LowLevel()->Continuous);

        // With the exchange back, a single read reads once and ends by itself.
        sim.Sim().ChangeFaults(
            [](auto& faults) { faults.Probe = tallyvox::sim::TProbeFault::None; });
        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QCOMPARE(sim.Sim().PendingRecords(0), 0);
        QVERIFY(panel->text().isEmpty());
    }

    void aCallLineAddedToAFullListEmptiesItButHeaderLinesDoNot() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 0));
        sim.MapPort(1);
        world.WriteSettings();
        world.WriteOutConfig(world.CallFile());
        const auto addCallLines = [&](int count) {
            auto& records = static_cast<tallyvox::app::TRecordView&>(*world.Form);
            for (int i = 0; i < count; ++i) {
                records.ShowHandledRecord(QStringLiteral("call %1").arg(i), 0, 0, 0);
            }
        };
        // The list is filled before the window is on the screen, where it
        // fills much faster.
        QVERIFY(world.StartWindow([&](tallyvox::app::TMainForm&) {
            addCallLines(tallyvox::app::TMainForm::MaxListLines);
            QCOMPARE(world.List()->count(), 20000);
            QCOMPARE(world.List()->currentRow(), 19999);
            addCallLines(1);
            QCOMPARE(world.List()->count(), 0);
            addCallLines(19999);
        }));
        QVERIFY(!QTest::currentTestFailed());

        // A read's header block goes into a list one short of full and stays:
        // only the next call line empties it.
        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QCOMPARE(world.List()->count(), 20001);
        QCOMPARE(world.Lines(world.CallFile()).size(), std::size_t{2});
        addCallLines(1);
        QCOMPARE(world.List()->count(), 0);
    }

    void closingDuringAReadLeavesOnlyCompleteLines() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 300));
        QVERIFY(world.StartReadyToRead(sim));

        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() >= 2 + 5, ReadTimeoutMs);
        world.Form->close();
        world.Form.reset();

        const std::vector<std::string> lines = world.Lines(world.CallFile());
        QVERIFY(world.ReadBytes(world.CallFile()).ends_with("\r\n"));
        QVERIFY(AllCallLinesComplete(lines));
        QCOMPARE(lines.size() - 2, sim.Sim().SentRecords().size());
        QVERIFY(sim.Sim().PendingRecords(0) > 0);
    }

    void aLinkThatGoesAwayEndsTheReadVisiblyAndKeepsTheLines() {
        TMainWindowWorld world;
        TScenario scenario = tallyvox::sim::SingleExchangeScenario(6, 20);
        TSimHarness sim(scenario);
        QVERIFY(world.StartReadyToRead(sim));
        sim.Sim().ChangeFaults([](auto& faults) { faults.HangUpAfterRecords = 6; });

        world.Command("ReadUninterruptMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(
            world.HasMessage(QStringLiteral("Связь с АТС прервана. Считывание остановлено."),
                             QStringLiteral("Ошибка!")),
            ReadTimeoutMs);

        QVERIFY(world.Command("LoadFromATSMenuItem")->isEnabled());
        QVERIFY(!world.Command("StopAction")->isEnabled());
        QVERIFY(world.Control<QLabel>("UnInterruptPanel")->text().isEmpty());
        QVERIFY(!world.Form->LowLevel()->Continuous);
        const std::vector<std::string> lines = world.Lines(world.CallFile());
        QCOMPARE(lines.size(), std::size_t{2 + 6});
        QVERIFY(AllCallLinesComplete(lines));
    }

    void aLinkThatGoesAwayBetweenPassesEndsContinuousReading() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 3));
        QVERIFY(world.StartReadyToRead(sim));
        // While the reader waits on the message of a refused selection, the line
        // goes: the next pass fails in its very first link check.
        const QString refused = tallyvox::app::ToQString(tallyvox::messages::SelectionRefused());
        tallyvox::app::SetMessageHook([&](const QString& text, const QString& caption) {
            world.Messages.push_back({text, caption});
            if (text == refused) {
                sim.Sim().ChangeFaults([](auto& faults) { faults.HangUpAfterRecords = 0; });
            }
            return true;
        });

        world.Command("ReadUninterruptMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() == 2 + 3, ReadTimeoutMs);
        sim.Sim().ChangeFaults([](auto& faults) { faults.SelectionsAccepted = 0; });

        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(
            world.HasMessage(QStringLiteral("Связь с АТС прервана. Считывание остановлено."),
                             QStringLiteral("Ошибка!")),
            ReadTimeoutMs);
        QVERIFY(world.Command("ReadUninterruptMenuItem")->isEnabled());
        QVERIFY(!world.Command("StopAction")->isEnabled());
        QVERIFY(world.Control<QLabel>("UnInterruptPanel")->text().isEmpty());
        QCOMPARE(world.Lines(world.CallFile()).size(), std::size_t{2 + 3});
    }

    void linesThatCannotBeWrittenAreShownUntilTheyReachTheFile() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 5));
        sim.MapPort(1);
        world.WriteSettings();
        const std::filesystem::path folder = world.PathOf("archive");
        const std::string callFile = (folder / "calls.txt").string();
        world.WriteOutConfig(callFile);
        QVERIFY(world.StartWindow());
        auto* pending = world.Control<QLabel>("PendingLinesPanel");

        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QVERIFY(pending->isVisible());
        QCOMPARE(pending->text(), QStringLiteral("Не записано в файл строк: 7"));
        QCOMPARE(world.List()->count(), 7);

        std::filesystem::create_directory(folder);
        sim.Sim().AddCall(0, LaterCall(203));
        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QVERIFY(!pending->isVisible());
        const std::vector<std::string> lines = world.Lines(callFile);
        QCOMPARE(lines.size(), std::size_t{7 + 2 + 1});
        QCOMPARE(CountHeaders(lines), 2);
        QVERIFY(lines == world.ListLines());
    }
};

QTEST_MAIN(MainFormReadTest)
#include "MainFormReadTest.moc"
