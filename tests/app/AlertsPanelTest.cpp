// The window's alerts: with an ALERTS= line in "TallyvoxOut.cfg", the calls it
// reads are judged as their lines reach the call file; the status-bar panel
// counts today's alerts and a click on it lists them.

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>

#include "sim/Scenario.h"
#include "tests/app/MainWindowWorld.h"
#include "tests/kit/SimHarness.h"

using tallyvox::testkit::ReadTimeoutMs;
using tallyvox::testkit::TMainWindowWorld;
using tallyvox::testkit::TSimHarness;

namespace {

// Every call fires the first rule; no call lasts a day.
const char* const Rules = R"([[rule]]
name = "Каждый звонок"
level = "warning"

[[rule]]
name = "Дольше суток"
level = "critical"
min_duration = "24:00:00"
)";

} // namespace

class AlertsPanelTest : public QObject {
    Q_OBJECT

private slots:
    void theCallsReadFireTheRulesCountedAndListedToday() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(6, 12));
        sim.MapPort(1);
        world.WriteSettings();
        world.WriteBytes("rules.toml", Rules);
        world.WriteBytes("TallyvoxOut.cfg",
                         "TARIF_FNAME=" + world.CallFile() +
                             "\r\nREALTIME_FNAME=\r\nAUTO=\r\nALERTS=rules.toml");
        QVERIFY(world.StartWindow());
        auto* panel = world.Control<QLabel>("AlertsPanel");
        QCOMPARE(panel->text(), QStringLiteral("Тревог сегодня: 0"));

        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QTRY_COMPARE(panel->text(), QStringLiteral("Тревог сегодня: 12"));

        QTest::mouseClick(panel, Qt::LeftButton);
        auto* dialog = world.Control<QDialog>("AlertsDialog");
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), panel->text());
        auto* list = world.Control<QListWidget>("AlertsList");
        QCOMPARE(list->count(), 12);
        const std::vector<std::string> lines = world.Lines(world.CallFile());
        for (int i = 0; i < list->count(); ++i) {
            const QString item = list->item(i)->text();
            QVERIFY2(item.contains(QStringLiteral("  Каждый звонок: ") +
                                   tallyvox::app::ToQString(lines[2 + i])),
                     qPrintable(item));
        }
    }

    void withoutRulesThereIsNoPanelAndRefusedRulesAreSaid() {
        for (const std::string& alerts : {std::string(), std::string("\r\nALERTS=bad.toml")}) {
            TMainWindowWorld world;
            TSimHarness sim;
            sim.MapPort(1);
            world.WriteSettings();
            world.WriteBytes("bad.toml", "[[rule]]\nname = \"x\"\nlevel = \"loud\"\n");
            world.WriteBytes("TallyvoxOut.cfg",
                             "TARIF_FNAME=c.txt\r\nREALTIME_FNAME=\r\nAUTO=" + alerts);
            const tallyvox::testkit::TCapturedStandardError error;
            QVERIFY(world.StartWindow());
            QVERIFY(world.Form->findChild<QLabel*>(QStringLiteral("AlertsPanel")) == nullptr);
            QCOMPARE(error.Text().contains(QStringLiteral("bad.toml is refused:\nline 1: ")),
                     !alerts.empty());
        }
    }
};

QTEST_MAIN(AlertsPanelTest)
#include "AlertsPanelTest.moc"
