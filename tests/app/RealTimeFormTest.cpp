// The real-time window against the simulator on a pseudo-terminal and a real log
// file in a temporary folder. The ticks are driven by the test, one query each,
// so that no case waits for the one-second timer; the timer itself is checked
// through the main window with a short interval.

#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <boost/make_shared.hpp>
#include <filesystem>
#include <optional>

#include "app/RealTimeForm.h"
#include "app/UpDown.h"
#include "exchange/LowLevel.h"
#include "tests/app/MainWindowWorld.h"
#include "tests/kit/FileSizeLimit.h"
#include "tests/kit/GearedClock.h"
#include "tests/kit/RecordingNotifier.h"

using tallyvox::TLowLevel;
using tallyvox::app::ToCp1251;
using tallyvox::app::TRealTimeForm;
using tallyvox::sim::TScenario;
using tallyvox::testkit::TSimHarness;
namespace fs = std::filesystem;
namespace testkit = tallyvox::testkit;

namespace {

// Two groups: a line talking on a trunk, and an intercom line.
const std::vector<std::uint8_t> TwoGroups = {0x02, 'D', 5, 0, 'F', 1, 3, 0x01, 'G', 2, 1, 0x00};
const std::vector<std::string> TwoGroupLines = {ToCp1251(QStringLiteral("АЛ205(0)   СЛ202(3)   ")),
                                                ToCp1251(QStringLiteral("ГГС202(1)   "))};
const tallyvox::TCalendarTime Now = {
    .Year = 2004, .Month = 5, .Day = 7, .Hour = 12, .Minute = 34, .Second = 56};
// The header line for Now in the Russian formats the tests run with.
const std::string NowHeader =
    ToCp1251(QStringLiteral("****** Дата и время считывания: 07.05.2004   12:34:56"));

TScenario ArdenReporting(std::vector<std::uint8_t> payload) {
    TScenario scenario = tallyvox::sim::SingleExchangeScenario(6);
    scenario.RealTime.Payload = std::move(payload);
    return scenario;
}

std::string Snapshot(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line + "\r\n";
    }
    return bytes;
}

// Confirms a file dialog with name as a user types it: the selection that the
// dialog made of the current file is gone, the typed name counts.
void Type(QFileDialog& dialog, const std::string& name) {
    dialog.selectFile(QString::fromStdString(name));
    dialog.findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(name));
    static_cast<QDialog&>(dialog).accept();
}

// The window on an identified exchange object, as the main window hands it over.
class TRealTimeWorld {
public:
    explicit TRealTimeWorld(TScenario scenario = ArdenReporting(TwoGroups))
        : Sim(std::move(scenario)) {
        Clock->SetLocalNow(Now);
        LowLevel = boost::make_shared<TLowLevel>(
            Clock, boost::make_shared<tallyvox::testkit::TRecordingNotifier>());
        if (LowLevel->OpenPort(Sim.DevicePath()) != 1 || LowLevel->Identify() != 1) {
            qFatal("the simulator was not identified");
        }
        tallyvox::app::SetMessageHook([this](const QString& text, const QString& caption) {
            Messages.push_back({text, caption});
            return true;
        });
        // The timer never comes due in a test: the test ticks.
        Form.emplace(nullptr, std::chrono::hours(1));
        Form->SetLowLevel(LowLevel);
    }
    ~TRealTimeWorld() {
        Form.reset();
        tallyvox::app::SetMessageHook({});
    }
    TRealTimeWorld(const TRealTimeWorld&) = delete;
    TRealTimeWorld& operator=(const TRealTimeWorld&) = delete;

    std::string Log() const { return (Folder.Path() / "real_time.log").string(); }
    // Shows the window with the log chosen and the box ticked (as by a click).
    void ShowLogging(const std::string& logFile) {
        LowLevel->RealTimeFileName = logFile;
        Form->show();
        QTest::mouseClick(Box(), Qt::LeftButton);
        QVERIFY(Box()->isChecked());
    }
    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            Form->RealTimeTimerTimer();
        }
    }
    template <typename T> T* Control(const char* name) const {
        T* control = Form->findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) {
            qFatal("no control %s", name);
        }
        return control;
    }
    QCheckBox* Box() const { return Control<QCheckBox>("WriteFileFlagCheckBox"); }
    QString Period() const { return Control<QLabel>("StaticText1")->text(); }
    void Arrow(const char* name, int presses = 1) const {
        auto* button = Control<tallyvox::app::TUpDown>("UpDown1")->findChild<QToolButton*>(name);
        for (int i = 0; i < presses; ++i) {
            QTest::mouseClick(button, Qt::LeftButton);
        }
    }
    std::vector<std::string> ListLines() const {
        std::vector<std::string> lines;
        const auto* list = Control<QListWidget>("ListBox1");
        for (int i = 0; i < list->count(); ++i) {
            lines.push_back(ToCp1251(list->item(i)->text()));
        }
        return lines;
    }
    std::string Contents(const std::string& path) const {
        return tallyvox::testkit::FileContents(path);
    }

    tallyvox::testkit::TTempDir Folder;
    tallyvox::testkit::TCurrentDir InFolder{Folder.Path()};
    TSimHarness Sim;
    // Real speed: a query answered late on a busy machine still counts.
    boost::shared_ptr<testkit::TGearedClock> Clock = boost::make_shared<testkit::TGearedClock>();
    boost::shared_ptr<TLowLevel> LowLevel;
    std::optional<TRealTimeForm> Form;
    std::vector<testkit::TShownMessage> Messages;
};

} // namespace

class RealTimeFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void theLogGetsASnapshotEveryTenQueriesCountedFromTheClick() {
        TRealTimeWorld world;
        world.ShowLogging(world.Log());
        QCOMPARE(world.Form->windowTitle(),
                 QStringLiteral("Отслеживание соединений в режиме реального времени"));
        QCOMPARE(world.Box()->text(),
                 QStringLiteral("Записывать в файл: ") + QString::fromStdString(world.Log()));
        QCOMPARE(world.Period(), QStringLiteral("10"));

        world.Tick(9);
        QVERIFY(!fs::exists(world.Log()));
        std::vector<std::string> shown = {NowHeader};
        shown.insert(shown.end(), TwoGroupLines.begin(), TwoGroupLines.end());
        QVERIFY(world.ListLines() == shown);

        world.Tick();
        const std::string one = Snapshot(shown);
        QCOMPARE(world.Contents(world.Log()), one);
        world.Tick(9);
        QCOMPARE(world.Contents(world.Log()), one);
        world.Tick();
        QCOMPARE(world.Contents(world.Log()), one + one);

        // Unticking and ticking again starts the count afresh.
        world.Tick(4);
        QTest::mouseClick(world.Box(), Qt::LeftButton);
        QTest::mouseClick(world.Box(), Qt::LeftButton);
        world.Tick(9);
        QCOMPARE(world.Contents(world.Log()), one + one);
        world.Tick();
        QCOMPARE(world.Contents(world.Log()), one + one + one);
        QVERIFY(world.Messages.empty());
    }

    void untickingClosesTheLogAtTheNextWritePointAndNotBefore() {
        TRealTimeWorld world;
        world.ShowLogging(world.Log());
        world.Tick(10);
        QVERIFY(world.Form->LogIsOpen());
        const std::string written = world.Contents(world.Log());

        QTest::mouseClick(world.Box(), Qt::LeftButton);
        world.Tick(9);
        QVERIFY(world.Form->LogIsOpen());
        world.Tick();
        QVERIFY(!world.Form->LogIsOpen());
        QCOMPARE(world.Contents(world.Log()), written);
    }

    void aFailedQueryKeepsTheListAndCountsNothing() {
        TRealTimeWorld world;
        world.ShowLogging(world.Log());
        world.Tick(3);
        const std::vector<std::string> shown = world.ListLines();

        world.Clock->SetLocalNow({.Year = 2004, .Month = 5, .Day = 7, .Hour = 13});
        world.Sim.Sim().ChangeFaults([](tallyvox::sim::TFaults& faults) {
            faults.Probe = tallyvox::sim::TProbeFault::Silent;
        });
        world.Clock->SetSpeedup(50); // the waits for silence run short
        world.Tick(3);
        world.Clock->SetSpeedup(1);
        QVERIFY(world.ListLines() == shown);
        QVERIFY(!fs::exists(world.Log()));

        world.Sim.Sim().ChangeFaults([](tallyvox::sim::TFaults& faults) {
            faults.Probe = tallyvox::sim::TProbeFault::None;
        });
        world.Tick(6);
        QVERIFY(!fs::exists(world.Log()));
        world.Tick();
        QVERIFY(world.Contents(world.Log())
                    .starts_with(ToCp1251(QStringLiteral(
                        "****** Дата и время считывания: 07.05.2004   13:00:00\r\n"))));
    }

    void noActivityIsTheHeaderLineAloneAndTheUpDownWraps() {
        TRealTimeWorld world(ArdenReporting({}));
        world.ShowLogging(world.Log());
        world.Arrow("DownButton", 9);
        QCOMPARE(world.Period(), QStringLiteral("1"));
        world.Arrow("DownButton");
        QCOMPARE(world.Period(), QStringLiteral("300"));
        world.Arrow("UpButton");
        QCOMPARE(world.Period(), QStringLiteral("1"));

        world.Tick();
        QVERIFY(world.ListLines() == std::vector<std::string>{NowHeader});
        QCOMPARE(world.Contents(world.Log()), NowHeader + "\r\n");
    }

    void anExistingLogIsAppendedToOnALineOfItsOwn() {
        struct TCase {
            const char* Before;
            const char* Between;
        };
        for (const TCase& c :
             {TCase{"earlier\r\n", ""}, TCase{"torn", "\r\n"}, TCase{"torn\r", "\n"}}) {
            TRealTimeWorld world(ArdenReporting({}));
            std::ofstream(world.Log(), std::ios::binary) << c.Before;
            world.ShowLogging(world.Log());
            world.Tick(10);
            QCOMPARE(world.Contents(world.Log()),
                     std::string(c.Before) + c.Between + NowHeader + "\r\n");
        }
    }

    void aPeriodLoweredBelowTheCountReachedWritesAtTheNextQuery() {
        TRealTimeWorld world;
        world.ShowLogging(world.Log());
        world.Tick(6);
        world.Arrow("DownButton", 7);
        QCOMPARE(world.Period(), QStringLiteral("3"));
        world.Tick();
        QVERIFY(fs::exists(world.Log()));
        world.Tick(2);
        QCOMPARE(world.Contents(world.Log()), Snapshot(world.ListLines()));
        world.Tick();
        QCOMPARE(world.Contents(world.Log()),
                 Snapshot(world.ListLines()) + Snapshot(world.ListLines()));
    }

    void choosingTheSameFileKeepsTheListAnotherClearsItAndMovesTheLog() {
        TRealTimeWorld world;
        const std::string other = (world.Folder.Path() / "other.log").string();
        world.ShowLogging(world.Log());
        world.Arrow("DownButton", 9);
        world.Tick();
        QVERIFY(world.Form->LogIsOpen());
        const std::string first = world.Contents(world.Log());
        QSignalSpy chosen(&*world.Form, &TRealTimeForm::LogFileChosen);

        auto choose = [&](const std::string& name) {
            testkit::AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
                // A chosen log opens the dialog where it lives.
                QCOMPARE(dialog.directory().absolutePath(),
                         QString::fromStdString(world.LowLevel->StartDir));
                Type(dialog, name);
            });
            world.Form->N2Click();
        };
        choose(world.Log());
        QCOMPARE(world.ListLines().size(), std::size_t{3});
        QVERIFY(world.Form->LogIsOpen());
        QCOMPARE(chosen.count(), 1);

        choose(other);
        QCOMPARE(world.ListLines().size(), std::size_t{0});
        QVERIFY(!world.Form->LogIsOpen());
        QCOMPARE(world.LowLevel->RealTimeFileName, other);
        QCOMPARE(world.Box()->text(),
                 QStringLiteral("Записывать в файл: ") + QString::fromStdString(other));
        QCOMPARE(world.Contents("TallyvoxOut.cfg"),
                 "TARIF_FNAME=\r\nREALTIME_FNAME=" + other + "\r\nAUTO=");
        QCOMPARE(chosen.count(), 2);

        world.Tick();
        QCOMPARE(world.Contents(other), Snapshot(world.ListLines()));
        QCOMPARE(world.Contents(world.Log()), first);
    }

    void aLogThatCannotBeOpenedIsReportedOnceAndUnticked() {
        TRealTimeWorld world;
        const fs::path folder = world.Folder.Path() / "a-folder.log";
        fs::create_directory(folder);
        world.ShowLogging(folder.string());
        world.Arrow("DownButton", 9);
        world.Tick();
        QCOMPARE(world.Messages.size(), std::size_t{1});
        QCOMPARE(world.Messages[0].Text, QStringLiteral("Не удалось открыть или создать файл ") +
                                             QString::fromStdString(folder.string()) +
                                             QStringLiteral(". Запись в файл отключена."));
        QCOMPARE(world.Messages[0].Caption, QStringLiteral("Ошибка!"));
        QVERIFY(!world.Box()->isChecked());

        // The list goes on without another message.
        world.Clock->SetLocalNow({.Year = 2004, .Month = 5, .Day = 8});
        world.Tick(3);
        QCOMPARE(world.Messages.size(), std::size_t{1});
        QVERIFY(world.ListLines().front().find("08.05.2004") != std::string::npos);
    }

    void aSnapshotCutShortByAFullDiskLeavesNoPieceBehind() {
        TRealTimeWorld world;
        std::ofstream(world.Log(), std::ios::binary) << "old\r\n";
        world.ShowLogging(world.Log());
        world.Arrow("DownButton", 9);
        {
            const tallyvox::testkit::TFileSizeLimit nearlyFull(5 + 20);
            world.Tick();
        }
        QCOMPARE(world.Contents(world.Log()), std::string("old\r\n"));
        QCOMPARE(world.Messages.size(), std::size_t{1});
        QVERIFY(world.Messages[0].Text.startsWith(
            QStringLiteral("Не удалось записать данные в файл ")));
        QVERIFY(!world.Box()->isChecked());

        QTest::mouseClick(world.Box(), Qt::LeftButton);
        world.Tick();
        QCOMPARE(world.Contents(world.Log()), "old\r\n" + Snapshot(world.ListLines()));
    }

    void theMainWindowOpensItBesideItselfAndItQueriesWhileShown() {
        testkit::TMainWindowWorld world;
        TSimHarness sim(ArdenReporting(TwoGroups));
        sim.MapPort(1);
        world.WriteSettings();
        TRealTimeForm* form = nullptr;
        QVERIFY(world.StartWindow([&](tallyvox::app::TMainForm& main) {
            form = new TRealTimeForm(&main, std::chrono::milliseconds(20));
            main.SetRealTimeForm(form);
        }));
        const std::string log = world.PathOf("watch.log").string();

        bool checked = false;
        auto checkShown = [&](TRealTimeForm& shown) {
            QCOMPARE(shown.pos(), world.Form->frameGeometry().topLeft() + QPoint(20, 10));
            QCOMPARE(shown.size(), QSize(523, 347));
            QVERIFY(shown.findChild<QTimer*>("RealTimeTimer")->isActive());
            QVERIFY(!shown.findChild<QCheckBox*>("WriteFileFlagCheckBox")->isEnabled());
            auto* list = shown.findChild<QListWidget*>("ListBox1");
            QTRY_COMPARE_WITH_TIMEOUT(list->count(), 3, 10000);

            testkit::AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
                QCOMPARE(dialog.selectedFiles().value(0).section(QLatin1Char('/'), -1),
                         QStringLiteral("real_time.log"));
                Type(dialog, log);
            });
            shown.findChild<QAction*>("N2")->trigger();
            QCOMPARE(world.Control<QLabel>("RealTimeFileNameStatusBar_Panel1")->text(),
                     QString::fromStdString(log));
            QVERIFY(shown.findChild<QCheckBox*>("WriteFileFlagCheckBox")->isEnabled());
            checked = true;
        };
        testkit::AnswerNextModal<TRealTimeForm>([&](TRealTimeForm& shown) {
            checkShown(shown);
            shown.reject();
        });
        world.Command("RealTime_MenuItem")->trigger();
        QVERIFY(checked);
        QVERIFY(!form->findChild<QTimer*>("RealTimeTimer")->isActive());
        QVERIFY(world.Messages.empty());
    }

    void aPolarExchangeGetsTheWarningAndNoWindow() {
        testkit::TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(5));
        sim.MapPort(1);
        world.WriteSettings();
        TRealTimeForm* form = nullptr;
        QVERIFY(world.StartWindow([&](tallyvox::app::TMainForm& main) {
            form = new TRealTimeForm(&main, std::chrono::milliseconds(20));
            main.SetRealTimeForm(form);
        }));
        world.Command("RealTime_MenuItem")->trigger();
        QCOMPARE(world.Messages.size(), std::size_t{1});
        QCOMPARE(world.Messages[0].Text,
                 QStringLiteral("Данная функция работает только с Arden-S/L"));
        QCOMPARE(world.Messages[0].Caption, QStringLiteral("Предупреждение"));
        QVERIFY(!form->isVisible());
        QVERIFY(!sim.Sim().WaitForCommands(tallyvox::sim::TCommandKind::RealTime, 1,
                                           std::chrono::milliseconds(200)));
    }
};

QTEST_MAIN(RealTimeFormTest)
#include "RealTimeFormTest.moc"
