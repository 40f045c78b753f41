// The main window from program start: first run, connecting and the status
// display, the automatic start, the options dialog, choosing the call file and
// the model check of the real-time command, against the exchange simulator on a
// pseudo-terminal.

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTimeEdit>

#include "app/AboutForm.h"
#include "app/Gauge.h"
#include "app/OptionsForm.h"
#include "sim/Scenario.h"
#include "tests/app/MainWindowWorld.h"
#include "tests/kit/SimHarness.h"

using tallyvox::app::TGauge;
using tallyvox::app::TOptionsForm;
using tallyvox::sim::TScenario;
using tallyvox::testkit::AnswerNextModal;
using tallyvox::testkit::ReadTimeoutMs;
using tallyvox::testkit::TMainWindowWorld;
using tallyvox::testkit::TSimHarness;
using tallyvox::testkit::TypeFileName;

namespace {

QString ProgramName() {
    QFile comm(QStringLiteral("/proc/self/comm"));
    return comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll()).trimmed() : QString();
}

// 7 May 2004, 12:34:54 on the exchange's clock (6-second ticks).
constexpr std::uint16_t ClockDays = 8893;
constexpr std::uint16_t ClockTicks = (12 * 3600 + 34 * 60 + 54) / 6;

TScenario ArdenWithCalls(int calls) {
    TScenario scenario = tallyvox::sim::SingleExchangeScenario(6, calls);
    scenario.ClockDays = ClockDays;
    scenario.ClockTicks = ClockTicks;
    return scenario;
}

int CommandsOfKind(TSimHarness& sim, tallyvox::sim::TCommandKind kind) {
    int count = 0;
    for (const auto& command : sim.Sim().Commands()) {
        count += command.Kind == kind ? 1 : 0;
    }
    return count;
}

} // namespace

class MainFormStartupTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartInAnEmptyFolderOnlyShowsTheNotice() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenWithCalls(3));
        sim.MapPort(1);
        world.WriteBytes("TallyvoxOut.cfg", "TARIF_FNAME=x\r\nREALTIME_FNAME=\r\nAUTO=");
        world.Clock->SetLocalNow(
            {.Year = 2023, .Month = 2, .Day = 1, .Hour = 9, .Minute = 15, .Second = 30});
        QVERIFY(world.StartWindow());

        QCOMPARE(world.Messages.size(), std::size_t{1});
        QCOMPARE(world.Messages[0].Caption, QStringLiteral("Уведомление"));
        QCOMPARE(world.Messages[0].Text,
                 QStringLiteral("Это первый запуск программы Tallyvox(возможно были удалены "
                                "файлы конфигурации). Выберите пункт \"Настройки\" и установите "
                                "номер СОМ-порта "));
        QVERIFY(!std::filesystem::exists(world.PathOf("TallyvoxOut.cfg")));
        QCOMPARE(world.ReadBytes(world.PathOf("TallyvoxOut.cfg.bak")),
                 std::string("TARIF_FNAME=x\r\nREALTIME_FNAME=\r\nAUTO="));
        QCOMPARE(world.ReadBytes(world.PathOf("Tallyvox.cfg")),
                 std::string("\x01\x01") + std::string(28, '\0'));
        QVERIFY(sim.Sim().ReceivedBytes().empty());
        QCOMPARE(world.Panel(0), QString());
        QVERIFY(!world.Form->ExitAfterRead());
        // No exchange clock was read: the pickers show the computer's.
        QCOMPARE(world.Control<QDateEdit>("DatePicker")->date(), QDate(2023, 2, 1));
        QVERIFY(world.Control<QTimeEdit>("TimePicker")->time() >= QTime(9, 15, 30));

        // Choosing the call file refreshes the display but leaves the pickers alone.
        const QTime before = world.Control<QTimeEdit>("TimePicker")->time();
        AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
            TypeFileName(dialog, world.CallFile());
            static_cast<QDialog&>(dialog).accept();
        });
        world.Command("SelectFileFromData_MenuItem")->trigger();
        QCOMPARE(world.Control<QLabel>("TarifFileNameStatusBar_Panel1")->text(),
                 QString::fromStdString(world.CallFile()));
        QCOMPARE(world.Control<QDateEdit>("DatePicker")->date(), QDate(2023, 2, 1));
        QVERIFY(world.Control<QTimeEdit>("TimePicker")->time() >= before);
        QVERIFY(world.Control<QTimeEdit>("TimePicker")->time() < before.addSecs(60));
    }

    void startUpWithAnExchangeShowsItsStatusAndClock() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenWithCalls(3));
        QVERIFY(world.StartReadyToRead(sim));

        QVERIFY(world.Messages.empty());
        QCOMPARE(world.Panel(0), QStringLiteral("АТС: Arden-L1"));
        QCOMPARE(world.Panel(1), QStringLiteral("ПО вер. 21,5"));
        QCOMPARE(world.Panel(2), QStringLiteral("Зав. номер : 1234"));
        QCOMPARE(world.Panel(3), QStringLiteral("Емкость буфера : 2000"));
        QCOMPARE(world.Panel(4), QStringLiteral("В буфере : 3"));
        QCOMPARE(world.Control<QLabel>("TarifFileNameStatusBar_Panel1")->text(),
                 QString::fromStdString(world.CallFile()));
        auto* gauge = world.Control<TGauge>("CGauge1");
        QCOMPARE(gauge->MaxValue(), 2000);
        QCOMPARE(gauge->Progress(), 3);

        QCOMPARE(world.Control<QDateEdit>("DatePicker")->date(), QDate(2004, 5, 7));
        const QTime shown = world.Control<QTimeEdit>("TimePicker")->time();
        QVERIFY2(shown >= QTime(12, 34, 54) && shown < QTime(12, 36, 0),
                 qPrintable(shown.toString()));
        // The picker then runs on as a clock; the date stays.
        QTRY_VERIFY_WITH_TIMEOUT(world.Control<QTimeEdit>("TimePicker")->time() > shown, 5000);
        QCOMPARE(world.Control<QDateEdit>("DatePicker")->date(), QDate(2004, 5, 7));
        QVERIFY(!world.Control<QWidget>("DatePicker")->isEnabled());
        QVERIFY(!world.Control<QWidget>("TimePicker")->isEnabled());
        QVERIFY(!world.Command("StopAction")->isEnabled());
    }

    void aComplexOfTwoShowsTheSumsOfItsBuffers() {
        TMainWindowWorld world;
        TScenario scenario = tallyvox::sim::ComplexScenario(2);
        scenario.Exchanges[0].Capacity = 2000;
        scenario.Exchanges[0].W1 = 10;
        scenario.Exchanges[0].W2 = 0;
        scenario.Exchanges[1].Capacity = 2000;
        scenario.Exchanges[1].W1 = 5;
        scenario.Exchanges[1].W2 = 0;
        TSimHarness sim(scenario);
        sim.MapPort(1);
        world.WriteSettings();
        QVERIFY(world.StartWindow());

        QCOMPARE(world.Panel(3), QStringLiteral("Емкость буфера : 4000"));
        QCOMPARE(world.Panel(4), QStringLiteral("В буфере : 15"));
        auto* gauge = world.Control<TGauge>("CGauge1");
        QCOMPARE(gauge->MaxValue(), 4000);
        QCOMPARE(gauge->Progress(), 15);
    }

    void anExchangeThatDoesNotAnswerShowsDashes() {
        TMainWindowWorld world;
        TScenario scenario = ArdenWithCalls(0);
        scenario.Faults.Probe = tallyvox::sim::TProbeFault::Silent;
        TSimHarness sim(scenario);
        sim.MapPort(1);
        world.WriteSettings();
        world.Clock->SetLocalNow(
            {.Year = 2021, .Month = 3, .Day = 4, .Hour = 7, .Minute = 6, .Second = 5});
        QVERIFY(world.StartWindow());

        QVERIFY(world.Messages.empty());
        QCOMPARE(world.Panel(0), QStringLiteral("АТС: -"));
        QCOMPARE(world.Panel(1), QStringLiteral("ПО вер. -"));
        QCOMPARE(world.Panel(2), QStringLiteral("Зав. номер : -"));
        QCOMPARE(world.Panel(3), QStringLiteral("Емкость буфера : -"));
        QCOMPARE(world.Panel(4), QStringLiteral("В буфере : -"));
        auto* gauge = world.Control<TGauge>("CGauge1");
        QCOMPARE(gauge->MaxValue(), 100);
        QCOMPARE(gauge->Progress(), 0);
        QCOMPARE(world.Control<QDateEdit>("DatePicker")->date(), QDate(2021, 3, 4));
        QVERIFY(world.Command("LoadFromATSMenuItem")->isEnabled());
    }

    // A damaged settings file is a first run; the call file that the output
    // configuration held is kept beside it.
    void aDamagedSettingsFileKeepsTheOutputConfigurationAsBak() {
        for (const std::size_t size : {0, 2, 31}) {
            TMainWindowWorld world;
            TSimHarness sim(ArdenWithCalls(3));
            sim.MapPort(1);
            world.WriteBytes("Tallyvox.cfg", std::string(size, '\x01'));
            world.WriteOutConfig(world.CallFile(), "");
            QVERIFY(world.StartWindow());

            QCOMPARE(world.Messages.size(), std::size_t{1});
            QCOMPARE(world.Messages[0].Caption, QStringLiteral("Уведомление"));
            QVERIFY(!std::filesystem::exists(world.PathOf("TallyvoxOut.cfg")));
            QCOMPARE(world.ReadBytes(world.PathOf("TallyvoxOut.cfg.bak")),
                     "TARIF_FNAME=" + world.CallFile() + "\r\nREALTIME_FNAME=\r\nAUTO=");
            QVERIFY(sim.Sim().ReceivedBytes().empty());
        }
    }

    // An automatic run without (or with a damaged) settings file creates it and
    // ends by itself, reading nothing; the output configuration stays as it
    // was, so the next scheduled run reads with the new settings.
    void anAutomaticRunWithoutSettingsKeepsItsStartForTheNextRun() {
        for (const int size : {-1, 0, 2, 31}) {
            TMainWindowWorld world;
            TSimHarness sim(ArdenWithCalls(3));
            sim.MapPort(1);
            if (size >= 0) {
                world.WriteBytes("Tallyvox.cfg",
                                 std::string(static_cast<std::size_t>(size), '\x01'));
            }
            world.WriteOutConfig(world.CallFile(), "AUTOSTART_1");
            const std::string config = world.ReadBytes(world.PathOf("TallyvoxOut.cfg"));
            const tallyvox::testkit::TCapturedStandardError standardError;
            QVERIFY(world.StartWindow());

            QTRY_VERIFY_WITH_TIMEOUT(!world.Form->isVisible(), 10000);
            QCOMPARE(world.Form->ExitStatus(), tallyvox::ExitExchangeAbsent);
            QCOMPARE(world.Messages.size(), std::size_t{1});
            QCOMPARE(world.Messages[0].Caption, QStringLiteral("Уведомление"));
            QCOMPARE(world.ReadBytes(world.PathOf("TallyvoxOut.cfg")), config);
            QVERIFY(!std::filesystem::exists(world.PathOf("TallyvoxOut.cfg.bak")));
            QCOMPARE(world.ReadBytes(world.PathOf("Tallyvox.cfg")),
                     std::string("\x01\x01") + std::string(28, '\0'));
            QVERIFY(sim.Sim().ReceivedBytes().empty());
            QVERIFY(standardError.Text().contains(
                QStringLiteral("Tallyvox: код завершения %1").arg(tallyvox::ExitExchangeAbsent)));
        }
    }

    // Another opener of the port (here a second port object of this program,
    // root or not) keeps it; the message names the port and who holds it.
    void aPortHeldByAnotherOpenerIsRefusedWithItsHolder() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenWithCalls(3));
        sim.MapPort(1);
        world.WriteSettings();
        tallyvox::TCommPort holder(world.Clock);
        holder.Open(sim.DevicePath());
        QVERIFY(world.StartWindow());

        QCOMPARE(world.Messages.size(), std::size_t{1});
        QCOMPARE(world.Messages[0].Caption, QStringLiteral("Ошибка!"));
        QCOMPARE(world.Messages[0].Text,
                 QStringLiteral("Ошибка при открытии СОМ-порта.\nПорт COM1 (%1) занят другой "
                                "программой: процесс %2 (%3).")
                     .arg(QString::fromStdString(sim.DevicePath()))
                     .arg(QCoreApplication::applicationPid())
                     .arg(ProgramName()));
        QVERIFY(sim.Sim().ReceivedBytes().empty());
        QVERIFY(!world.Form->LowLevel()->Port->IsOpen());
    }

    void anUnreadableSettingsFileIsReportedAndStartUpGoesOn() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenWithCalls(3));
        sim.MapPort(1);
        // A folder where the settings file belongs can be neither read nor replaced.
        std::filesystem::create_directories(world.PathOf("Tallyvox.cfg") / "inside");
        QVERIFY(world.StartWindow());

        // Start-up goes on to the connection, which the port name without a
        // number ("COM") that the failed read leaves cannot make.
        QCOMPARE(world.Messages.size(), std::size_t{2});
        QCOMPARE(world.Messages[0].Text,
                 QStringLiteral("Исключение при открытии/чтении файла конфигурации."));
        QCOMPARE(world.Messages[0].Caption, QStringLiteral("Ошибка!"));
        QCOMPARE(world.Messages[1].Text, QStringLiteral("Ошибка при открытии СОМ-порта."));
        QCOMPARE(world.Form->LowLevel()->PortName, std::string("COM"));
        QVERIFY(sim.Sim().ReceivedBytes().empty());
    }

    void aPortThatCannotBeOpenedIsReported() {
        TMainWindowWorld world;
        world.MapPortToNowhere(1);
        world.WriteSettings();
        QVERIFY(world.StartWindow());

        QCOMPARE(world.Messages.size(), std::size_t{1});
        QCOMPARE(world.Messages[0].Text, QStringLiteral("Ошибка при открытии СОМ-порта."));
        QCOMPARE(world.Messages[0].Caption, QStringLiteral("Ошибка!"));
        QCOMPARE(world.Panel(0), QString());
    }

    void autoStartOnceReadsAndClosesTheProgramAfterwards() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenWithCalls(12));
        sim.MapPort(1);
        world.WriteSettings();
        world.WriteOutConfig(world.CallFile(), "AUTOSTART_1");
        QVERIFY(world.StartWindow());
        QVERIFY(world.Form->ExitAfterRead());

        auto* closer = world.Control<QTimer>("UnInterruptTimer");
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QCOMPARE(closer->interval(), 2000);
        QVERIFY(closer->isActive());
        QVERIFY(world.Form->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->isVisible(), 10000);

        QCOMPARE(world.Lines(world.CallFile()).size(), std::size_t{2 + 12});
        QVERIFY(world.Messages.empty());
        QCOMPARE(world.Form->ExitStatus(), tallyvox::ExitDone);
    }

    // An automatic run has nobody to answer it: whatever keeps the read from
    // starting ends the program with a status that names the cause, and leaves
    // the calls in the exchange.
    void anAutomaticStartThatCannotReadEndsWithItsStatus() {
        struct TCase {
            const char* Name;
            int Status;
            QString Message; // the start of the one message expected, or none
            std::function<void(TMainWindowWorld&, TSimHarness&)> Set;
        };
        const QString notWritable = QStringLiteral("Невозможно записать в файл учета звонков ");
        const std::vector<TCase> cases = {
            {"no call file", tallyvox::ExitFileNotWritable,
             QStringLiteral("Не выбран файл для сохранения данных."),
             [](TMainWindowWorld& world, TSimHarness&) {
                 world.WriteOutConfig("", "AUTOSTART_1");
             }},
            {"call file is a folder", tallyvox::ExitFileNotWritable, notWritable,
             [](TMainWindowWorld& world, TSimHarness&) {
                 std::filesystem::create_directory(world.CallFile());
                 world.WriteOutConfig(world.CallFile(), "AUTOSTART_1");
             }},
            {"call file in a missing folder", tallyvox::ExitFileNotWritable, notWritable,
             [](TMainWindowWorld& world, TSimHarness&) {
                 world.WriteOutConfig(world.PathOf("gone/calls.txt").string(), "AUTOSTART_1");
             }},
            {"no exchange device", tallyvox::ExitExchangeAbsent,
             QStringLiteral("Ошибка при открытии СОМ-порта."),
             [](TMainWindowWorld& world, TSimHarness&) {
                 world.MapPortToNowhere(1);
                 world.WriteOutConfig(world.CallFile(), "AUTOSTART_1");
             }},
            {"no probe answer",
             tallyvox::ExitExchangeAbsent,
             {},
             [](TMainWindowWorld& world, TSimHarness& sim) {
                 sim.Sim().ChangeFaults(
                     [](auto& faults) { faults.Probe = tallyvox::sim::TProbeFault::Silent; });
                 world.WriteOutConfig(world.CallFile(), "AUTOSTART_1");
             }},
            {"no identification",
             tallyvox::ExitExchangeAbsent,
             {},
             [](TMainWindowWorld& world, TSimHarness& sim) {
                 sim.Sim().ChangeFaults([](auto& faults) { faults.NoIdentification = true; });
                 world.WriteOutConfig(world.CallFile(), "AUTOSTART_1");
             }},
            {"unknown model",
             tallyvox::ExitExchangeAbsent,
             {},
             [](TMainWindowWorld& world, TSimHarness& sim) {
                 sim.Sim().ChangeFaults([](auto& faults) { faults.ModelCode = 10; });
                 world.WriteOutConfig(world.CallFile(), "AUTOSTART_1");
             }},
        };
        for (const TCase& c : cases) {
            qInfo("case: %s", c.Name);
            TMainWindowWorld world;
            TSimHarness sim(ArdenWithCalls(4));
            sim.MapPort(1);
            world.WriteSettings();
            c.Set(world, sim);
            const tallyvox::testkit::TCapturedStandardError standardError;
            QVERIFY(world.StartWindow());

            QTRY_VERIFY_WITH_TIMEOUT(!world.Form->isVisible(), 10000);
            QCOMPARE(world.Form->ExitStatus(), c.Status);
            QVERIFY(!world.Form->ReaderRunning());
            QCOMPARE(sim.Sim().PendingRecords(0), 4);
            QCOMPARE(world.Messages.size(), std::size_t{c.Message.isEmpty() ? 0u : 1u});
            if (!c.Message.isEmpty()) {
                QVERIFY(world.Messages[0].Text.startsWith(c.Message));
                QVERIFY2(standardError.Text().contains(c.Message), "also on standard error");
            }
            QVERIFY(standardError.Text().contains(
                QStringLiteral("Tallyvox: код завершения %1").arg(c.Status)));
        }
    }

    void stopDuringAnAutomaticSingleReadClosesTheProgramAtOnce() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenWithCalls(300));
        sim.MapPort(1);
        world.WriteSettings();
        world.WriteOutConfig(world.CallFile(), "AUTOSTART_1");
        QVERIFY(world.StartWindow());
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() >= 2 + 3, ReadTimeoutMs);

        world.Command("StopAction")->trigger();

        QVERIFY(!world.Form->isVisible());
    }

    void autoStartContinuousReadsUntilStopped() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenWithCalls(4));
        sim.MapPort(1);
        world.WriteSettings();
        world.WriteOutConfig(world.CallFile(), "AUTOSTART_UNINTERRUPT");
        QVERIFY(world.StartWindow());
        auto* panel = world.Control<QLabel>("UnInterruptPanel");
        QCOMPARE(panel->text(), QStringLiteral("Идет непрерывное считывание"));
        QVERIFY(!world.Form->ExitAfterRead());
        QTRY_VERIFY_WITH_TIMEOUT(world.List()->count() == 2 + 4, ReadTimeoutMs);
        QVERIFY(sim.Sim().WaitForCommands(tallyvox::sim::TCommandKind::FirstRecord, 3,
                                          std::chrono::milliseconds(ReadTimeoutMs)));
        QVERIFY(world.Form->ReaderRunning());

        world.Command("StopAction")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QVERIFY(panel->text().isEmpty());
        QVERIFY(world.Form->isVisible());
    }

    void reloadShowsALostExchangeAndAFoundOneWithoutAPortMessage() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenWithCalls(3));
        sim.MapPort(1);
        world.WriteSettings();
        world.WriteOutConfig(world.CallFile());
        world.Clock->SetLocalNow(
            {.Year = 2022, .Month = 8, .Day = 9, .Hour = 10, .Minute = 0, .Second = 0});
        QVERIFY(world.StartWindow());

        sim.Sim().ChangeFaults(
            [](auto& faults) { faults.Probe = tallyvox::sim::TProbeFault::Silent; });
        world.Command("ReloadAction")->trigger();
        QCOMPARE(world.Panel(0), QStringLiteral("АТС: -"));
        QCOMPARE(world.Panel(4), QStringLiteral("В буфере : -"));
        QCOMPARE(world.Control<QDateEdit>("DatePicker")->date(), QDate(2022, 8, 9));

        // A read with nobody answering: dash texts, no thread, nothing written.
        world.Command("LoadFromATSMenuItem")->trigger();
        QVERIFY(!world.Form->ReaderRunning());
        QVERIFY(!std::filesystem::exists(world.CallFile()));
        QVERIFY(world.Command("LoadFromATSMenuItem")->isEnabled());

        sim.Sim().ChangeFaults(
            [](auto& faults) { faults.Probe = tallyvox::sim::TProbeFault::None; });
        world.Command("ReloadAction")->trigger();
        QCOMPARE(world.Panel(0), QStringLiteral("АТС: Arden-L1"));
        QCOMPARE(world.Panel(4), QStringLiteral("В буфере : 3"));
        QCOMPARE(world.Control<QDateEdit>("DatePicker")->date(), QDate(2004, 5, 7));
        QVERIFY(world.Messages.empty());
    }

    void optionsOkSavesThePortAndHeaderChoiceAndReconnects() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenWithCalls(2));
        sim.MapPort(1);
        sim.MapPort(5);
        world.WriteSettings();
        TOptionsForm options;
        tallyvox::app::TAboutForm about;
        QVERIFY(world.StartWindow([&](auto& form) { form.SetDialogs(&options, &about); }));
        const int identifications = CommandsOfKind(sim, tallyvox::sim::TCommandKind::Identify);

        AnswerNextModal<TOptionsForm>([](TOptionsForm& dialog) {
            dialog.findChild<QComboBox*>("COMPortComboBox")->setCurrentText("COM5");
            dialog.findChild<QRadioButton*>("NotSaveTitleRadioButton")->setChecked(true);
            dialog.findChild<QPushButton*>("Button2")->click();
        });
        world.Command("OptionsMenuItem")->trigger();

        const std::string settings = world.ReadBytes(world.PathOf("Tallyvox.cfg"));
        QCOMPARE(settings.size(), std::size_t{30});
        QCOMPARE(settings.substr(0, 2), std::string("\x05\x00", 2));
        QCOMPARE(world.Form->LowLevel()->PortName, std::string("COM5"));
        QVERIFY(!world.Form->LowLevel()->SaveHeader);
        QCOMPARE(CommandsOfKind(sim, tallyvox::sim::TCommandKind::Identify), identifications + 1);
        QCOMPARE(world.Panel(0), QStringLiteral("АТС: Arden-L1"));
    }

    void aPortErrorWhileOptionsReconnectIsReportedAndTheDialogStaysOpen() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenWithCalls(2));
        sim.MapPort(1);
        world.WriteSettings();
        TOptionsForm options;
        tallyvox::app::TAboutForm about;
        QVERIFY(world.StartWindow([&](auto& form) { form.SetDialogs(&options, &about); }));
        // The line goes away at the identification that follows the reopening.
        sim.Sim().ChangeFaults([](auto& faults) { faults.HangUpAfterRecords = 0; });

        std::optional<bool> openAfterOk;
        AnswerNextModal<TOptionsForm>([&](TOptionsForm& dialog) {
            dialog.findChild<QRadioButton*>("NotSaveTitleRadioButton")->setChecked(true);
            dialog.findChild<QPushButton*>("Button2")->click();
            openAfterOk = dialog.isVisible();
            dialog.findChild<QPushButton*>("Button1")->click();
        });
        world.Command("OptionsMenuItem")->trigger();

        QCOMPARE(openAfterOk, std::optional<bool>(true));
        QCOMPARE(world.Messages.size(), std::size_t{1});
        QCOMPARE(world.Messages[0].Caption, QCoreApplication::applicationName());
        // In words a person can act on, not the exception's English text.
        QVERIFY(world.Messages[0].Text.startsWith(QStringLiteral("Ошибка СОМ-порта (код ")));
        QVERIFY(world.Messages[0].Text.endsWith(QStringLiteral("затем нажмите \"Обновить\".")));
        QCOMPARE(world.ReadBytes(world.PathOf("Tallyvox.cfg")),
                 std::string("\x01\x01") + std::string(28, '\0'));
        QVERIFY(world.Form->LowLevel()->SaveHeader);
        QVERIFY(world.Form->isVisible());
    }

    void optionsCancelChangesNothing() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenWithCalls(2));
        sim.MapPort(1);
        world.WriteSettings();
        TOptionsForm options;
        tallyvox::app::TAboutForm about;
        QVERIFY(world.StartWindow([&](auto& form) { form.SetDialogs(&options, &about); }));
        const std::size_t bytesSeen = sim.Sim().ReceivedBytes().size();

        AnswerNextModal<TOptionsForm>([](TOptionsForm& dialog) {
            dialog.findChild<QComboBox*>("COMPortComboBox")->setCurrentText("COM5");
            dialog.findChild<QRadioButton*>("NotSaveTitleRadioButton")->setChecked(true);
            dialog.findChild<QPushButton*>("Button1")->click();
        });
        world.Command("OptionsMenuItem")->trigger();

        QCOMPARE(world.ReadBytes(world.PathOf("Tallyvox.cfg")),
                 std::string("\x01\x01") + std::string(28, '\0'));
        QCOMPARE(world.Form->LowLevel()->PortName, std::string("COM1"));
        QVERIFY(world.Form->LowLevel()->SaveHeader);
        QVERIFY(world.Form->LowLevel()->Port->IsOpen());
        QCOMPARE(sim.Sim().ReceivedBytes().size(), bytesSeen);
    }

    void choosingTheCallFileKeepsTheListOnlyForTheSameFile() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenWithCalls(2));
        QVERIFY(world.StartReadyToRead(sim));
        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QCOMPARE(world.List()->count(), 2 + 2);
        const auto choose = [&](const std::string& path) {
            AnswerNextModal<QFileDialog>([path](QFileDialog& dialog) {
                TypeFileName(dialog, path);
                static_cast<QDialog&>(dialog).accept();
            });
            world.Command("SelectFileFromData_MenuItem")->trigger();
        };

        choose(world.CallFile());
        QCOMPARE(world.List()->count(), 2 + 2);
        QCOMPARE(world.ReadBytes(world.PathOf("TallyvoxOut.cfg")),
                 "TARIF_FNAME=" + world.CallFile() + "\r\nREALTIME_FNAME=\r\nAUTO=");

        const std::string other = world.PathOf("other.txt").string();
        choose(other);
        QCOMPARE(world.List()->count(), 0);
        QCOMPARE(world.Form->LowLevel()->TariffFileName, other);
        QCOMPARE(world.Control<QLabel>("TarifFileNameStatusBar_Panel1")->text(),
                 QString::fromStdString(other));
        QCOMPARE(world.ReadBytes(world.PathOf("TallyvoxOut.cfg")),
                 "TARIF_FNAME=" + other + "\r\nREALTIME_FNAME=\r\nAUTO=");

        // Cancelling still writes the output configuration with the names as they are.
        std::filesystem::remove(world.PathOf("TallyvoxOut.cfg"));
        AnswerNextModal<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
        world.Command("SelectFileFromData_MenuItem")->trigger();
        QCOMPARE(world.ReadBytes(world.PathOf("TallyvoxOut.cfg")),
                 "TARIF_FNAME=" + other + "\r\nREALTIME_FNAME=\r\nAUTO=");
        QVERIFY(world.Messages.empty());
    }

    // With file A in use, B chosen and cancelled, then B chosen and confirmed:
    // B is a new file, so the list of A's lines goes. The dialog exists only
    // while it is used, and Qt's shared settings file does not learn of it.
    void aCancelledChoiceIsForgottenAndTheDialogLeavesNothingBehind() {
        TMainWindowWorld world;
        TSimHarness sim(ArdenWithCalls(2));
        const QString qtSettings =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/QtProject.conf");
        const std::string qtSettingsBefore = world.ReadBytes(qtSettings.toStdString());
        QVERIFY(world.StartReadyToRead(sim));
        QVERIFY(world.Form->findChildren<QFileDialog*>().isEmpty());
        world.Command("LoadFromATSMenuItem")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!world.Form->ReaderRunning(), ReadTimeoutMs);
        QCOMPARE(world.List()->count(), 2 + 2);
        const std::string other = world.PathOf("other.txt").string();
        const auto choose = [&](bool confirm) {
            AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
                TypeFileName(dialog, other);
                confirm ? static_cast<QDialog&>(dialog).accept() : dialog.reject();
            });
            world.Command("SelectFileFromData_MenuItem")->trigger();
        };

        choose(false);
        QCOMPARE(world.Form->LowLevel()->TariffFileName, world.CallFile());
        QCOMPARE(world.List()->count(), 2 + 2);
        choose(true);
        QCOMPARE(world.Form->LowLevel()->TariffFileName, other);
        QCOMPARE(world.List()->count(), 0);

        QVERIFY(world.Form->findChildren<QFileDialog*>().isEmpty());
        QCOMPARE(world.ReadBytes(qtSettings.toStdString()), qtSettingsBefore);
        QVERIFY(!QSettings(QSettings::UserScope, QStringLiteral("QtProject"))
                     .childGroups()
                     .contains(QStringLiteral("FileDialog")));
    }

    void realTimeTrackingRefusesAnExchangeOutsideTheArdenFamily() {
        TMainWindowWorld world;
        TSimHarness sim(tallyvox::sim::SingleExchangeScenario(5));
        sim.MapPort(1);
        world.WriteSettings();
        QVERIFY(world.StartWindow());
        QCOMPARE(world.Panel(0), QStringLiteral("АТС: Polar-C"));

        world.Command("RealTime_MenuItem")->trigger();

        QCOMPARE(world.Messages.size(), std::size_t{1});
        QCOMPARE(world.Messages[0].Text,
                 QStringLiteral("Данная функция работает только с Arden-S/L"));
        QCOMPARE(world.Messages[0].Caption, QStringLiteral("Предупреждение"));
    }
};

QTEST_MAIN(MainFormStartupTest)
#include "MainFormStartupTest.moc"
