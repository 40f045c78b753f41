// Reads from the main window against the exchange simulator on a
// pseudo-terminal: the single read, Stop, continuous reading, closing during a
// read, a link that goes away, and lines that wait for their file.

#include <QTimer>
#include <algorithm>
#include <atomic>
#include <memory>
#include <regex>
#include <stdexcept>
#include <sys/mount.h>

#include "app/Gauge.h"
#include "capture/SessionMessages.h"
#include "exchange/LinkMessages.h"
#include "model/FilePath.h"
#include "sim/Scenario.h"
#include "tests/app/MainWindowWorld.h"
#include "tests/kit/SimHarness.h"

Q_DECLARE_METATYPE(tallyvox::sim::TEmptyEnding)

using tallyvox::app::TGauge;
using tallyvox::sim::TBufferRecord;
using tallyvox::sim::TScenario;
using tallyvox::testkit::MoveAwayAtListCount;
using tallyvox::testkit::ReadTimeoutMs;
using tallyvox::testkit::RescueFiles;
using tallyvox::testkit::TMainWindowWorld;
using tallyvox::testkit::TSimHarness;
namespace testkit = tallyvox::testkit;

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

// A small tmpfs at path for the life of the object, when this machine lets the
// test mount one (root on Linux).
class TSmallDisk {
public:
    TSmallDisk(const std::filesystem::path& path, const char* size) : Path(path) {
        std::filesystem::create_directory(Path);
        Mounted_ = mount("tmpfs", Path.c_str(), "tmpfs", 0, size) == 0;
    }
    ~TSmallDisk() {
        if (Mounted_) {
            umount2(Path.c_str(), MNT_DETACH);
        }
    }
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;
    bool Mounted() const { return Mounted_; }

private:
    std::filesystem::path Path;
    bool Mounted_ = false;
};

// The test's row names how the exchange ends its records once its buffer is
// empty: with a short reply, or by leaving the link check unanswered.
void AddBothEmptyEndings() {
    QTest::addColumn<tallyvox::sim::TEmptyEnding>("emptyEnding");
    QTest::newRow("short reply") << tallyvox::sim::TEmptyEnding::ShortReply;
    QTest::newRow("link check") << tallyvox::sim::TEmptyEnding::LinkCheck;
}

TScenario ArdenEndingAsTheRowSays(int calls) {
    QFETCH(tallyvox::sim::TEmptyEnding, emptyEnding);
    TScenario scenario = tallyvox::sim::SingleExchangeScenario(6, calls);
    scenario.EmptyEnding = emptyEnding;
    return scenario;
}

// Protocol time as the world's clock keeps it, but once armed every pause on the
// reader thread fails with an exception that is no port error, as anything the
// download calls might.
class TFailingPauseClock : public tallyvox::TScaledClock {
public:
    TFailingPauseClock() : TScaledClock(tallyvox::testkit::ClockSpeedup) {}
    void Sleep(std::uint32_t ms) override {
        if (Armed && QThread::currentThread() != QCoreApplication::instance()->thread()) {
            throw std::logic_error("pause failed");
        }
        TScaledClock::Sleep(ms);
    }
    std::atomic<bool> Armed{false};
};

} // namespace

class MainFormReadTest : public QObject {
    Q_OBJECT

private slots:
    void aSingleReadWritesTheHeaderAndEveryCallAndCountsTheFillDown_data() {
        AddBothEmptyEndings();
    }
    void aSingleReadWritesTheHeaderAndEveryCallAndCountsTheFillDown() {
        TMainWindowWorld world;
        TScenario scenario = ArdenEndingAsTheRowSays(30);
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
        QVERIFY(world.Control<QLabel>("UnInterruptPanel")->text().isEmpty());
        QVERIFY(world.Messages.empty());
        QCOMPARE(world.Form->ExitStatus(), tallyvox::ExitDone);
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

    // Clicks queued up while the read identifies the exchange (a message box
    // there lets them through) find every command that waits for the reader off.
    void commandsClickedDuringIdentificationDoNotRun() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 30));
        QVERIFY(world.StartReadyToRead(sim));
        sim.Sim().ChangeFaults([](auto& faults) { faults.FillAboveCapacity = 1; });
        const QString inconsistent =
            tallyvox::app::ToQString(tallyvox::messages::BufferInconsistent());
        bool clicked = false;
        tallyvox::app::SetMessageHook([&](const QString& text, const QString& caption) {
            world.Messages.push_back({text, caption});
            if (text == inconsistent && !clicked) {
                clicked = true;
                for (const char* name : {"LoadFromATSMenuItem", "ReadUninterruptMenuItem",
                                         "ReloadAction", "LoadFromATSMenuItem"}) {
                    QMetaObject::invokeMethod(world.Command(name), &QAction::trigger,
                                              Qt::QueuedConnection);
                }
            }
            return true;
        });
        const auto identifications = [&] {
            const std::vector<tallyvox::sim::TCommandSeen> seen = sim.Sim().Commands();
            return std::count_if(seen.begin(), seen.end(), [](const auto& command) {
                return command.Kind == tallyvox::sim::TCommandKind::Identify;
            });
        };
        const auto before = identifications();

        world.Command("LoadFromATSMenuItem")->trigger();
        QVERIFY(clicked);
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QTest::qWait(200);

        QCOMPARE(identifications(), before + 1);
        QVERIFY(!world.Form->ReaderRunning());
        QVERIFY(!world.Form->LowLevel()->Continuous);
        QVERIFY(world.Control<QLabel>("UnInterruptPanel")->text().isEmpty());
        QCOMPARE(world.Lines(world.CallFile()).size(), std::size_t{2 + 30});
        QVERIFY(world.Command("LoadFromATSMenuItem")->isEnabled());
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

    void continuousReadingWritesOneHeaderAndPicksUpLaterCalls_data() { AddBothEmptyEndings(); }
    void continuousReadingWritesOneHeaderAndPicksUpLaterCalls() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenEndingAsTheRowSays(5));
        QVERIFY(world.StartReadyToRead(sim));
        auto* panel = world.Control<QLabel>("UnInterruptPanel");
        // An empty buffer is no silent exchange, however it ends the records.
        bool everSilent = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            everSilent = everSilent || panel->text().contains(QStringLiteral("АТС не отвечает"));
        });
        watch.start(5);

        world.Command("ReadUninterruptMenuItem")->trigger();
        QCOMPARE(panel->text(), QStringLiteral("Идет непрерывное считывание"));
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() == 2 + 5, ReadTimeoutMs);
        // Let a few empty passes go by before the exchange gets new calls.
        QVERIFY(sim.Sim().WaitForCommands(tallyvox::sim::TCommandKind::FirstRecord, 3,
                                          std::chrono::milliseconds(ReadTimeoutMs)));
        sim.Sim().AddCall(0, LaterCall(201));
        sim.Sim().AddCall(0, LaterCall(202));
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() == 2 + 7, ReadTimeoutMs);
        QVERIFY(sim.Sim().WaitForCommands(tallyvox::sim::TCommandKind::FirstRecord, 6,
                                          std::chrono::milliseconds(ReadTimeoutMs)));
        QTest::qWait(50);
        QCOMPARE(panel->text(), QStringLiteral("Идет непрерывное считывание"));
        QVERIFY(!everSilent);
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

    // The window must outlive whatever fails under the download: it keeps the
    // lines, says what happened in its own words and goes back to idle.
    void anUnexpectedFailureUnderTheDownloadReturnsTheWindowToIdle() {
        TMainWindowWorld world;
        const auto clock = boost::make_shared<TFailingPauseClock>();
        world.Clock = clock;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 3));
        QVERIFY(world.StartReadyToRead(sim));
        // Armed once the third call is shown: the next pass fails in its first pause.
        QObject::connect(world.List()->model(), &QAbstractItemModel::rowsInserted, world.List(),
                         [&] { clock->Armed = world.List()->count() == 2 + 3; });

        world.Command("ReadUninterruptMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        const QString failed = tallyvox::app::ToQString(tallyvox::capture::messages::ReadFailed());
        QTRY_VERIFY_WITH_TIMEOUT(world.HasMessage(failed, QStringLiteral("Ошибка!")),
                                 ReadTimeoutMs);

        QVERIFY(world.Command("ReadUninterruptMenuItem")->isEnabled());
        QVERIFY(world.Command("LoadFromATSMenuItem")->isEnabled());
        QVERIFY(!world.Command("StopAction")->isEnabled());
        QVERIFY(world.Control<QLabel>("UnInterruptPanel")->text().isEmpty());
        QVERIFY(!world.Form->LowLevel()->Continuous);
        const std::vector<std::string> lines = world.Lines(world.CallFile());
        QCOMPARE(lines.size(), std::size_t{2 + 3});
        QVERIFY(lines == world.ListLines());
        QCOMPARE(world.Form->ExitStatus(), tallyvox::ExitDone);
    }

    // Nobody is there to read the message: the run ends by itself and its status
    // names the cause; the calls not yet read stay in the exchange.
    void anAutomaticReadThatFailsUnexpectedlyEndsWithItsStatus() {
        TMainWindowWorld world;
        const auto clock = boost::make_shared<TFailingPauseClock>();
        clock->Armed = true;
        world.Clock = clock;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 3));
        sim.MapPort(1);
        world.WriteSettings();
        world.WriteOutConfig(world.CallFile(), "AUTOSTART_1");
        QVERIFY(world.StartWindow());

        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->isVisible(), ReadTimeoutMs);
        QCOMPARE(world.Form->ExitStatus(), tallyvox::ExitReadFailed);
        QCOMPARE(world.Lines(world.CallFile()).size(), std::size_t{2});
        QCOMPARE(sim.Sim().PendingRecords(0), 3);
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
        QVERIFY(world.StartReadyToRead(sim));
        auto* pending = world.Control<QLabel>("PendingLinesPanel");
        // The file's folder goes away once the header and two calls are in:
        // the other three records have left the exchange all the same.
        const std::filesystem::path away = world.PathOf("away");
        std::filesystem::create_directory(away);
        const std::filesystem::path parked = away / "calls.txt";
        MoveAwayAtListCount(world, 2 + 2, world.CallFile(), parked);

        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QVERIFY(pending->isVisible());
        QCOMPARE(pending->text(), QStringLiteral("Не записано в файл строк: 3"));
        QCOMPARE(world.List()->count(), 7);
        QCOMPARE(sim.Sim().PendingRecords(0), 0);

        std::filesystem::remove(world.CallFile());
        std::filesystem::rename(parked, world.CallFile());
        sim.Sim().AddCall(0, LaterCall(203));
        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QVERIFY(!pending->isVisible());
        const std::vector<std::string> lines = world.Lines(world.CallFile());
        QCOMPARE(lines.size(), std::size_t{7 + 2 + 1});
        QCOMPARE(CountHeaders(lines), 2);
        QVERIFY(lines == world.ListLines());
    }

    // Without a header and with no new call in the exchange, nothing else would
    // take the held lines to their file once it takes lines again.
    void heldLinesAreWrittenAtTheStartOfTheNextRead() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 5));
        sim.MapPort(1);
        world.WriteSettings(1, 0);
        world.WriteOutConfig(world.CallFile());
        QVERIFY(world.StartWindow());
        auto* pending = world.Control<QLabel>("PendingLinesPanel");
        const std::filesystem::path parked = world.PathOf("parked.txt");
        MoveAwayAtListCount(world, 2, world.CallFile(), parked);
        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QCOMPARE(pending->text(), QStringLiteral("Не записано в файл строк: 3"));

        std::filesystem::remove(world.CallFile());
        std::filesystem::rename(parked, world.CallFile());
        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);

        QVERIFY(!pending->isVisible());
        QVERIFY(world.Lines(world.CallFile()) == world.ListLines());
        QCOMPARE(world.ListLines().size(), std::size_t{5});
        world.Form->close();
        QVERIFY(!world.Form->isVisible());
        QVERIFY2(world.Messages.empty(), "no question, no rescue");
    }

    void closingWithHeldLinesAsksAndSavesThemToARescueFile() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 5));
        QVERIFY(world.StartReadyToRead(sim));
        MoveAwayAtListCount(world, 2 + 2, world.CallFile(), world.PathOf("parked.txt"));
        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        const std::vector<std::string> shown = world.ListLines();
        const std::vector<std::string> held(shown.end() - 3, shown.end());

        const QString question = QStringLiteral(
            "Не записано в файл строк: 3. При выходе они будут сохранены в отдельный файл в "
            "папке программы. Выйти из программы?");
        bool answer = false;
        tallyvox::app::SetMessageHook([&](const QString& text, const QString& caption) {
            world.Messages.push_back({text, caption});
            return answer;
        });
        world.Form->close();
        QVERIFY(world.Form->isVisible());
        QVERIFY(world.HasMessage(question, QStringLiteral("Внимание!")));
        QVERIFY(RescueFiles(world).empty());

        world.Messages.clear();
        answer = true;
        world.Form->close();
        QVERIFY(!world.Form->isVisible());
        const std::vector<std::filesystem::path> rescued = RescueFiles(world);
        QCOMPARE(rescued.size(), std::size_t{1});
        QVERIFY(world.Lines(rescued[0].string()) == held);
        QCOMPARE(world.Messages.size(), std::size_t{2});
        QCOMPARE(world.Messages[1].Caption, QStringLiteral("Внимание!"));
        QVERIFY(world.Messages[1].Text.contains(
            tallyvox::app::ToQString(tallyvox::TextOfFilePath(rescued[0]))));
        QCOMPARE(world.Form->ExitStatus(), tallyvox::ExitLinesRescued);
    }

    // A full disk during an automatic read: every record the exchange gave up
    // is in the call file or the rescue file, once, in the order sent.
    void aFullDiskDuringAnAutomaticReadLosesNoRecord() {
        TMainWindowWorld world;
        const std::filesystem::path small = world.PathOf("small");
        const TSmallDisk disk(small, "size=4k");
        if (!disk.Mounted()) {
            QSKIP("a small tmpfs cannot be mounted here");
        }
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 120));
        sim.MapPort(1);
        world.WriteSettings();
        const std::string callFile = (small / "calls.txt").string();
        world.WriteOutConfig(callFile, "AUTOSTART_1");
        QVERIFY(world.StartWindow());

        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->isVisible(), ReadTimeoutMs);
        QCOMPARE(world.Form->ExitStatus(), tallyvox::ExitLinesRescued);
        const std::vector<std::filesystem::path> rescued = RescueFiles(world);
        QCOMPARE(rescued.size(), std::size_t{1});
        std::vector<std::string> kept = world.Lines(callFile);
        const std::vector<std::string> rescuedLines = world.Lines(rescued[0].string());
        QVERIFY(kept.size() > 2 && !rescuedLines.empty());
        kept.insert(kept.end(), rescuedLines.begin(), rescuedLines.end());
        QVERIFY(AllCallLinesComplete(kept));
        QVERIFY(kept == world.ListLines());
        QCOMPARE(kept.size(), std::size_t{2 + 120});
        QCOMPARE(sim.Sim().SentRecords().size(), std::size_t{120});
    }

    // The start folder on the same full disk: not even a rescue file can be
    // written, so the lines go to standard error and the status says so.
    void whenEvenTheRescueFileFailsTheLinesGoToStandardError() {
        TMainWindowWorld world;
        const std::filesystem::path small = world.PathOf("small");
        const TSmallDisk disk(small, "size=16k");
        if (!disk.Mounted()) {
            QSKIP("a small tmpfs cannot be mounted here");
        }
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 150));
        sim.MapPort(1);
        const testkit::TCurrentDir inSmall(small);
        world.WriteSettings();
        std::filesystem::copy_file(world.PathOf("Tallyvox.cfg"), small / "Tallyvox.cfg");
        const std::string callFile = (small / "calls.txt").string();
        world.WriteOutConfig(callFile, "AUTOSTART_1");
        std::filesystem::copy_file(world.PathOf("TallyvoxOut.cfg"), small / "TallyvoxOut.cfg");
        const tallyvox::testkit::TCapturedStandardError standardError;
        QVERIFY(world.StartWindow());

        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->isVisible(), ReadTimeoutMs);
        QCOMPARE(world.Form->ExitStatus(), tallyvox::ExitLinesLost);
        std::vector<std::string> kept = world.Lines(callFile);
        QVERIFY(kept.size() > 2 && kept.size() < 2 + 150);
        // The held lines come between the message and the exit line.
        const QStringList logged = standardError.Text().split(QLatin1Char('\n'));
        const qsizetype first =
            logged.indexOf(QStringLiteral("Строки выведены в стандартный поток ошибок.")) + 1;
        QVERIFY(first > 0);
        for (qsizetype i = first; i < logged.size() && !logged[i].startsWith("Tallyvox: "); ++i) {
            kept.push_back(tallyvox::app::ToCp1251(logged[i]));
        }
        QCOMPARE(kept.size(), std::size_t{2 + 150});
        QVERIFY(kept == world.ListLines());
        QVERIFY(standardError.Text().contains(QStringLiteral("Tallyvox: код завершения 8")));
    }

    void anAutomaticReadWhoseExchangeFallsSilentEndsWithItsStatus_data() { AddBothEmptyEndings(); }
    void anAutomaticReadWhoseExchangeFallsSilentEndsWithItsStatus() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenEndingAsTheRowSays(20));
        sim.MapPort(1);
        world.WriteSettings();
        world.WriteOutConfig(world.CallFile(), "AUTOSTART_1");
        sim.Sim().ChangeFaults([](auto& faults) { faults.SilentAfterRecords = 5; });
        QVERIFY(world.StartWindow());

        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->isVisible(), ReadTimeoutMs);
        QCOMPARE(world.Form->ExitStatus(), tallyvox::ExitLinkLost);
        QCOMPARE(world.Lines(world.CallFile()).size(), std::size_t{2 + 5});
        QCOMPARE(sim.Sim().PendingRecords(0), 15);
    }

    void aSingleReadWhoseExchangeFallsSilentSaysSo_data() { AddBothEmptyEndings(); }
    void aSingleReadWhoseExchangeFallsSilentSaysSo() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenEndingAsTheRowSays(6));
        QVERIFY(world.StartReadyToRead(sim));
        sim.Sim().ChangeFaults([](auto& faults) { faults.SilentAfterRecords = 2; });
        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QCOMPARE(world.Control<QLabel>("UnInterruptPanel")->text(),
                 QStringLiteral("Считывание прервано: АТС не отвечает."));
        QCOMPARE(world.Lines(world.CallFile()).size(), std::size_t{2 + 2});
        QCOMPARE(world.Form->ExitStatus(), tallyvox::ExitDone);
    }

    void continuousReadingShowsASilentExchangeUntilItAnswersAgain_data() { AddBothEmptyEndings(); }
    void continuousReadingShowsASilentExchangeUntilItAnswersAgain() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenEndingAsTheRowSays(3));
        QVERIFY(world.StartReadyToRead(sim));
        auto* panel = world.Control<QLabel>("UnInterruptPanel");
        world.Command("ReadUninterruptMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() == 2 + 3, ReadTimeoutMs);

        sim.Sim().ChangeFaults(
            [](auto& faults) { faults.Probe = tallyvox::sim::TProbeFault::Silent; });
        QTRY_VERIFY_WITH_TIMEOUT(panel->text().startsWith(QStringLiteral(
                                     "Идет непрерывное считывание. АТС не отвечает 00:00:")),
                                 ReadTimeoutMs);
        QVERIFY(world.Form->ReaderRunning());

        sim.Sim().ChangeFaults(
            [](auto& faults) { faults.Probe = tallyvox::sim::TProbeFault::None; });
        sim.Sim().AddCall(0, LaterCall(204));
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() == 2 + 4, ReadTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(panel->text(), QStringLiteral("Идет непрерывное считывание"),
                                  ReadTimeoutMs);
        world.Command("StopAction")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
    }

    // A pass that finds the exchange silent again after one that brought a
    // record shows the silence again, though the passes before were silent too.
    void aSilentExchangeIsShownPassAfterPass() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 3));
        QVERIFY(world.StartReadyToRead(sim));
        auto* panel = world.Control<QLabel>("UnInterruptPanel");
        const QString silent = QStringLiteral("Идет непрерывное считывание. АТС не отвечает ");
        world.Command("ReadUninterruptMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() == 2 + 3, ReadTimeoutMs);
        sim.Sim().ChangeFaults(
            [](auto& faults) { faults.Probe = tallyvox::sim::TProbeFault::Silent; });
        QTRY_VERIFY_WITH_TIMEOUT(panel->text().startsWith(silent), ReadTimeoutMs);

        // It answers for one more record, then falls silent in that same pass.
        sim.Sim().AddCall(0, LaterCall(205));
        sim.Sim().AddCall(0, LaterCall(206));
        sim.Sim().ChangeFaults([](auto& faults) {
            faults.Probe = tallyvox::sim::TProbeFault::None;
            faults.SilentAfterRecords = 1;
        });
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() == 2 + 4, ReadTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(panel->text().startsWith(silent), ReadTimeoutMs);
        QVERIFY(world.Form->ReaderRunning());
        world.Command("StopAction")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
    }

    void aFirstRecordWhoseChecksumNeverMatchesIsWrittenAndCounted() {
        TMainWindowWorld world;
        TScenario scenario = tallyvox::sim::SingleExchangeScenario(6, 15);
        scenario.Faults.FirstRecordChecksumWrong = 12;
        TSimHarness sim(scenario);
        QVERIFY(world.StartReadyToRead(sim));
        auto* unchecked = world.Control<QLabel>("UncheckedPanel");
        QVERIFY(!unchecked->isVisible());

        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        const std::vector<std::string> lines = world.Lines(world.CallFile());
        QCOMPARE(lines.size(), std::size_t{2 + 15});
        QVERIFY(AllCallLinesComplete(lines));
        QVERIFY(unchecked->isVisible());
        QCOMPARE(unchecked->text(), QStringLiteral("Принято с неверной контрольной суммой: 1"));
    }
};

QTEST_MAIN(MainFormReadTest)
#include "MainFormReadTest.moc"
