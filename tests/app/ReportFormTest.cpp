// The report window on a call-accounting file written from simulator records:
// the three grids against the records, every sort and selection against what
// tallyvox-report writes for the same steps (byte for byte, through the window's
// own save dialogs), the overwrite question, loading over a shown file, an
// unreadable file, the About window, the resize rules and the opening from the
// main window.

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <map>

#include "app/AboutForm.h"
#include "app/MainForm_rep.h"
#include "callfile/CallLine.h"
#include "callfile/Header.h"
#include "model/Record.h"
#include "sim/RecordEncoder.h"
#include "sim/TrafficGenerator.h"
#include "tests/app/MainWindowWorld.h"
#include "tests/kit/CalendarAt.h"
#include "tests/kit/FileSizeLimit.h"
#include "tests/kit/WithoutFileOverride.h"

using tallyvox::TRecord;
using tallyvox::app::TAboutForm;
using tallyvox::app::TMainForm_rep;
using tallyvox::testkit::AnswerNextModal;
using tallyvox::testkit::At;
using tallyvox::testkit::FileContents;
using tallyvox::testkit::TMainWindowWorld;
using tallyvox::testkit::TShownMessage;

namespace {

constexpr int CallCount = 600;
const tallyvox::TCalendarTime LastCallEnd = At(2024, 3, 31, 18, 0, 0);

// Calls as the simulator stores them, decoded as the program reads them.
std::vector<TRecord> SimRecords(std::uint32_t seed) {
    tallyvox::TDecodeContext context;
    context.ModelName = "Arden-L1";
    context.CurrentYear = LastCallEnd.Year;
    std::vector<TRecord> records;
    for (const auto& call :
         tallyvox::sim::TTrafficGenerator(seed, tallyvox::sim::TTrunkPlan::Arden, 0)
             .History(CallCount, LastCallEnd)) {
        const std::vector<std::uint8_t> payload = tallyvox::sim::EncodeCall(call, 6);
        records.push_back(tallyvox::DecodeRecordPayload(payload.data(), payload.size(), context));
    }
    return records;
}

std::string CallLine(const TRecord& record) {
    return tallyvox::callfile::FormatCallLine(record);
}

// The header block, every call, and two lines that are no calls: one too short
// to count, one counted but not a date (month 13).
std::string CallFileText(const std::vector<TRecord>& records) {
    std::string text = tallyvox::callfile::HeaderDateLine(LastCallEnd) + "\r\n" +
                       tallyvox::callfile::HeaderTitleLine() + "\r\n";
    for (const TRecord& record : records) {
        text += CallLine(record) + "\r\n";
    }
    std::string notADate = CallLine(records.front());
    notADate.replace(3, 2, "13");
    return text + "too short to count\r\n" + notADate + "\r\n";
}

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString Hms(std::uint32_t seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(TwoDigits(static_cast<int>(seconds / 3600)), TwoDigits(seconds / 60 % 60),
             TwoDigits(seconds % 60));
}

std::uint32_t Seconds(const TRecord& record) {
    return static_cast<std::uint32_t>(record.DurationHours * 3600 + record.DurationMinutes * 60 +
                                      record.DurationSeconds);
}

// The rows the call grid must show for a record, computed from the record alone.
QStringList ExpectedCallRow(const TRecord& record) {
    const QString date = QDate(record.Year, record.Month, record.Day)
                             .toString(QLocale().dateFormat(QLocale::ShortFormat));
    return {date,
            TwoDigits(record.StartHour) + ':' + TwoDigits(record.StartMinute) + ':' +
                TwoDigits(record.StartSecond),
            Hms(Seconds(record)),
            QString::number(record.HardwareLine),
            record.ProgramNumber == "-1" ? QString() : QString::fromStdString(record.ProgramNumber),
            QString::fromStdString(record.Trunk),
            QString::fromStdString(record.DialledNumber)};
}

// Totals per key in the order of the key's first call: outgoing, incoming, total.
struct TExpectedTotals {
    QString Key;
    QString FirstProgramNumber;
    std::uint32_t Out = 0;
    std::uint32_t In = 0;
};

std::vector<TExpectedTotals> ExpectedTotals(const std::vector<TRecord>& records, bool byTrunk) {
    std::vector<TExpectedTotals> totals;
    std::map<QString, std::size_t> at;
    for (const TRecord& record : records) {
        const QStringList row = ExpectedCallRow(record);
        const QString key = byTrunk ? row[5] : row[3];
        auto [it, added] = at.emplace(key, totals.size());
        if (added) {
            totals.push_back({key, row[4]});
        }
        (record.DialledNumber.empty() ? totals[it->second].In : totals[it->second].Out) +=
            Seconds(record);
    }
    return totals;
}

QStringList Row(const QAbstractItemModel& model, int row) {
    QStringList cells;
    for (int column = 0; column < model.columnCount(); ++column) {
        cells << model.index(row, column).data().toString();
    }
    return cells;
}

QStringList Titles(const QAbstractItemModel& model) {
    QStringList titles;
    for (int column = 0; column < model.columnCount(); ++column) {
        titles << model.headerData(column, Qt::Horizontal).toString();
    }
    return titles;
}

// What tallyvox-report writes to standard output for args (the date in the
// window's format), or a failed check.
std::string ReportProgramOutput(const QString& callFile, QStringList args) {
    args.prepend(callFile);
    args << QStringLiteral("--date-format") << QLocale().dateFormat(QLocale::ShortFormat);
    QProcess program;
    program.start(QStringLiteral(TALLYVOX_REPORT_PROGRAM), args);
    if (!program.waitForFinished(60000) || program.exitStatus() != QProcess::NormalExit ||
        program.exitCode() != 0) {
        qWarning() << "tallyvox-report" << args << "failed:" << program.readAllStandardError();
        return "(tallyvox-report failed)";
    }
    return program.readAllStandardOutput().toStdString();
}

std::vector<std::string> SplitCrLf(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(bytes.substr(start, end - start));
    }
    return lines;
}

// Counts the mouse presses that reach a widget.
class TPressCounter : public QObject {
public:
    int Count = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        Count += event->type() == QEvent::MouseButtonPress ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};

// Closes whatever modal window is still open once a test has waited too long
// for it, so that a dialog nobody answers fails the test instead of hanging it.
class TModalWatchdog {
public:
    explicit TModalWatchdog(std::chrono::milliseconds limit) {
        Timer.setInterval(200);
        QObject::connect(&Timer, &QTimer::timeout, [this, limit] {
            if (Clock.elapsed() < limit.count()) {
                return;
            }
            if (QWidget* modal = QApplication::activeModalWidget()) {
                Fired = true;
                modal->close();
            }
        });
        Clock.start();
        Timer.start();
    }
    bool Fired = false;

private:
    QTimer Timer;
    QElapsedTimer Clock;
};

class TReportWorld {
public:
    TReportWorld() : InFolder(Folder.Path()) {
        tallyvox::app::SetMessageHook([this](const QString& text, const QString& caption) {
            Messages.push_back({text, caption});
            return Answer;
        });
        Form = std::make_unique<TMainForm_rep>();
        About = new TAboutForm(Form.get());
        Form->SetAboutForm(About);
        Form->SetInitialDir(Folder.Path());
        for (const char* grid : {"StringGrid1", "ALGrid", "SLGrid"}) {
            Testers.push_back(std::make_unique<QAbstractItemModelTester>(
                Grid(grid)->model(), QAbstractItemModelTester::FailureReportingMode::QtTest));
        }
        Form->show();
    }
    ~TReportWorld() {
        Testers.clear();
        Form.reset();
        tallyvox::app::SetMessageHook({});
    }
    TReportWorld(const TReportWorld&) = delete;
    TReportWorld& operator=(const TReportWorld&) = delete;

    QString PathOf(const char* name) const {
        return QString::fromStdString((Folder.Path() / name).string());
    }
    QString WriteFile(const char* name, const std::string& bytes) const {
        std::ofstream(PathOf(name).toStdString(), std::ios::binary) << bytes;
        return PathOf(name);
    }

    template <typename T> T* Control(const char* name) const {
        T* control = Form->findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) {
            qFatal("no control %s", name);
        }
        return control;
    }
    QTableView* Grid(const char* name) const { return Control<QTableView>(name); }
    const QAbstractItemModel& Model(const char* grid) const { return *Grid(grid)->model(); }

    // A command of a menu, as the user chooses it.
    void Choose(const char* action) const { Control<QAction>(action)->trigger(); }
    // The command, with its file dialog answered by fileName.
    void ChooseWithFile(const char* action, const QString& fileName,
                        const std::function<void()>& afterAccept = {}) const {
        AnswerNextModal<QFileDialog>([fileName, afterAccept](QFileDialog& dialog) {
            // As typed: a file the dialog's list selected once it had read the
            // folder (the one chosen last time) is not what it returns.
            tallyvox::testkit::TypeFileName(dialog, fileName.toStdString());
            static_cast<QDialog&>(dialog).accept();
            if (afterAccept) {
                afterAccept();
            }
        });
        Choose(action);
    }
    void Load(const QString& fileName) const { ChooseWithFile("LoadMenuItem", fileName); }
    // The export of a popup menu's save command, as written to a fresh file.
    std::string Export(const char* action) {
        const QString target = PathOf(("export-" + std::to_string(++Exports) + ".txt").c_str());
        ChooseWithFile(action, target);
        return FileContents(target.toStdString());
    }

    // Fills and runs the selection panel as the user does, ending with how.
    void Select(const QString& subscriber, bool hardware, const QString& prefix,
                const char* how = "Button4") const {
        Choose("N1");
        auto* mask = Control<QLineEdit>("MaskEdit1");
        auto* filter = Control<QLineEdit>("FilterEdit");
        mask->selectAll();
        QTest::keyClick(mask, Qt::Key_Delete);
        mask->home(false);
        QTest::keyClicks(mask, subscriber);
        Control<QRadioButton>(hardware ? "RadioButton2" : "RadioButton1")->setChecked(true);
        filter->clear();
        QTest::keyClicks(filter, prefix);
        if (QByteArray(how) == "Button4" || QByteArray(how) == "Button5") {
            Control<QPushButton>(how)->click();
        } else {
            QTest::keyClick(Control<QLineEdit>(how), Qt::Key_Return);
        }
    }

    tallyvox::testkit::TTempDir Folder;
    tallyvox::testkit::TCurrentDir InFolder;
    std::vector<TShownMessage> Messages;
    bool Answer = true;
    std::unique_ptr<TMainForm_rep> Form;
    TAboutForm* About = nullptr;

private:
    std::vector<std::unique_ptr<QAbstractItemModelTester>> Testers;
    int Exports = 0;
};

} // namespace

class ReportFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The user's short date format in a Russian office: "dd.MM.yyyy".
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }

    void showsTheCallsAndTheTotalsOfTheRecords() {
        TReportWorld world;
        const std::vector<TRecord> records = SimRecords(7);
        world.Load(world.WriteFile("calls.txt", CallFileText(records)));

        // Two header lines, the calls and the line that is no date count; the
        // short line does not.
        QCOMPARE(world.Control<QGroupBox>("FileGroupBox")->title(),
                 QStringLiteral("Кол-во строк: %1").arg(CallCount + 3));
        const QAbstractItemModel& calls = world.Model("StringGrid1");
        QCOMPARE(Titles(calls), QStringList({"Дата", "Время", "Длительность", "Апп. АЛ", "Прг. АЛ",
                                             "Номер СЛ", "Внешний номер"}));
        QCOMPARE(calls.rowCount(), CallCount);
        for (int row = 0; row < CallCount; ++row) {
            QCOMPARE(Row(calls, row), ExpectedCallRow(records[static_cast<std::size_t>(row)]));
        }

        const QAbstractItemModel& lines = world.Model("ALGrid");
        QCOMPARE(Titles(lines),
                 QStringList({"Апп. АЛ", "Прг. АЛ", "Исх. трафик", "Вх. трафик", "Общий трафик"}));
        const auto lineTotals = ExpectedTotals(records, false);
        QCOMPARE(lines.rowCount(), static_cast<int>(lineTotals.size()));
        for (int row = 0; row < lines.rowCount(); ++row) {
            const TExpectedTotals& line = lineTotals[static_cast<std::size_t>(row)];
            QCOMPARE(Row(lines, row), QStringList({line.Key, line.FirstProgramNumber, Hms(line.Out),
                                                   Hms(line.In), Hms(line.Out + line.In)}));
        }

        const QAbstractItemModel& trunks = world.Model("SLGrid");
        QCOMPARE(Titles(trunks),
                 QStringList({"Апп. СЛ", "Исх. трафик", "Вх. трафик", "Общий трафик"}));
        const auto trunkTotals = ExpectedTotals(records, true);
        QVERIFY(trunkTotals.size() > 1);
        QCOMPARE(trunks.rowCount(), static_cast<int>(trunkTotals.size()));
        for (int row = 0; row < trunks.rowCount(); ++row) {
            const TExpectedTotals& trunk = trunkTotals[static_cast<std::size_t>(row)];
            QCOMPARE(Row(trunks, row), QStringList({trunk.Key, Hms(trunk.Out), Hms(trunk.In),
                                                    Hms(trunk.Out + trunk.In)}));
        }
    }

    // Sorts one after another, each on the order the previous one left, and the
    // grid and its export after each exactly as the program gives them.
    void everySortShowsAndExportsWhatTheReportProgramWrites() {
        TReportWorld world;
        const QString file = world.WriteFile("calls.txt", CallFileText(SimRecords(11)));
        world.Load(file);
        struct TSort {
            const char* Action;
            const char* Option;
            const char* Key;
        };
        const TSort sorts[] = {
            {"N6", "--sort-lines", "out"},    {"N3", "--sort-lines", "hardware"},
            {"N7", "--sort-lines", "total"},  {"N4", "--sort-lines", "program"},
            {"N5", "--sort-lines", "in"},     {"N10", "--sort-trunks", "out"},
            {"N8", "--sort-trunks", "trunk"}, {"N11", "--sort-trunks", "total"},
            {"N9", "--sort-trunks", "in"},
        };
        QStringList sortsSoFar;
        for (const TSort& sort : sorts) {
            world.Choose(sort.Action);
            sortsSoFar << sort.Option << sort.Key;
            const bool lines = QByteArray(sort.Option) == "--sort-lines";
            const std::string exported = world.Export(lines ? "N12" : "N13");
            const std::string expected = ReportProgramOutput(
                file, sortsSoFar + QStringList{lines ? "--lines" : "--trunks", "-"});
            QVERIFY2(exported == expected, sort.Action);

            // The grid shows the exported order: each data line begins with the
            // row's first cell.
            const QAbstractItemModel& grid = world.Model(lines ? "ALGrid" : "SLGrid");
            const std::vector<std::string> exportedLines = SplitCrLf(exported);
            QCOMPARE(exportedLines.size(), static_cast<std::size_t>(grid.rowCount() + 1));
            for (int row = 0; row < grid.rowCount(); ++row) {
                const std::string first =
                    tallyvox::app::ToCp1251(grid.index(row, 0).data().toString());
                QVERIFY2(exportedLines[static_cast<std::size_t>(row) + 1].starts_with(first),
                         sort.Action);
            }
        }
        // Each grid's popup menu opens where the user asks for it.
        for (const auto& [grid, menu] :
             {std::pair{"StringGrid1", "PopupMenu1"}, std::pair{"ALGrid", "PopupMenu2"},
              std::pair{"SLGrid", "PopupMenu3"}}) {
            emit world.Grid(grid)->customContextMenuRequested(QPoint(10, 10));
            QTRY_VERIFY(world.Control<QMenu>(menu)->isVisible());
            world.Control<QMenu>(menu)->close();
        }
        QCOMPARE(world.Control<QAction>("N10")->text(),
                 QStringLiteral("Сортировка по исх. трафику "));
    }

    void theSelectionPanelNarrowsTheCallGridAsTheReportProgramDoes() {
        TReportWorld world;
        const std::vector<TRecord> records = SimRecords(5);
        const QString file = world.WriteFile("calls.txt", CallFileText(records));
        world.Load(file);
        const TRecord& busy = records.front();
        const QString program = QString::fromStdString(busy.ProgramNumber);
        const QString hardware = QString::number(busy.HardwareLine);
        struct TCase {
            QString Subscriber;
            bool Hardware;
            QString Prefix;
            const char* How;
            QStringList Options;
        };
        const TCase cases[] = {
            {program, false, "", "Button4", {"--program", program}},
            {hardware, true, "8", "MaskEdit1", {"--hardware", hardware, "--prefix", "8"}},
            {"", false, "89", "FilterEdit", {"--prefix", "89"}},
            {"9999", false, "", "Button4", {"--program", "9999"}},
            {"", true, "", "Button4", {}},
        };
        for (const TCase& test : cases) {
            world.Select(test.Subscriber, test.Hardware, test.Prefix, test.How);
            QVERIFY(!world.Control<QWidget>("ALQueryPanel")->isVisible());
            const std::string expected =
                ReportProgramOutput(file, test.Options + QStringList{"--calls", "-"});
            QVERIFY2(world.Export("N2") == expected, qPrintable(test.Options.join(' ')));
            QCOMPARE(world.Model("StringGrid1").rowCount() + 1,
                     static_cast<int>(SplitCrLf(expected).size()));
        }
        // The last case showed every call again; a match of nothing shows one empty row.
        QCOMPARE(world.Model("StringGrid1").rowCount(), CallCount);
        world.Select("9999", false, "");
        QCOMPARE(world.Model("StringGrid1").rowCount(), 1);
        QCOMPARE(Row(world.Model("StringGrid1"), 0), QStringList(7, QString()));

        // Cancel changes nothing; the panel keeps what was typed; letters never
        // reach the prefix.
        world.Select(program, false, "8a1b", "Button5");
        QCOMPARE(world.Model("StringGrid1").rowCount(), 1);
        world.Choose("N1");
        QCOMPARE(world.Control<QLineEdit>("MaskEdit1")->text(), program);
        QCOMPARE(world.Control<QLineEdit>("MaskEdit1")->displayText(),
                 program.leftJustified(4, QLatin1Char('_')));
        QCOMPARE(world.Control<QLineEdit>("FilterEdit")->text(), QStringLiteral("81"));
        QVERIFY(world.Control<QRadioButton>("RadioButton1")->isChecked());
        // Escape cancels the panel and leaves the window open.
        QTest::keyClick(world.Control<QLineEdit>("FilterEdit"), Qt::Key_Escape);
        QVERIFY(!world.Control<QWidget>("ALQueryPanel")->isVisible());
        QVERIFY(world.Form->isVisible());
        QCOMPARE(world.Model("StringGrid1").rowCount(), 1);
    }

    void anExistingFileIsReplacedOnlyAfterOkAndAFailedExportIsReported() {
        TReportWorld world;
        world.Load(world.WriteFile("calls.txt", CallFileText(SimRecords(3))));
        const QString target = world.WriteFile("lines.txt", "keep me\r\n");

        world.Answer = false;
        world.ChooseWithFile("N12", target);
        QCOMPARE(FileContents(target.toStdString()), std::string("keep me\r\n"));
        QCOMPARE(world.Messages.size(), std::size_t{1});
        QCOMPARE(world.Messages[0].Text, QStringLiteral("Такой файл уже существует. Перезапишем?"));
        QCOMPARE(world.Messages[0].Caption, QStringLiteral("Предупреждение!"));

        world.Answer = true;
        world.ChooseWithFile("N12", target);
        QCOMPARE(world.Messages.size(), std::size_t{2});
        const std::vector<std::string> lines = SplitCrLf(FileContents(target.toStdString()));
        QCOMPARE(lines.size(), static_cast<std::size_t>(world.Model("ALGrid").rowCount() + 1));
        QCOMPARE(
            tallyvox::app::ToQString(lines.front()),
            QStringLiteral("Апп.АЛ     Прг.АЛ      Исх. трафик    Вх. трафик     Общий трафик"));

        // A target that takes no bytes: the failure, not a success, is shown.
        world.ChooseWithFile("N13", QStringLiteral("/dev/full"));
        QCOMPARE(world.Messages.size(), std::size_t{4});
        QCOMPARE(world.Messages[3].Text, QStringLiteral("Ошибка"));
        QCOMPARE(world.Messages[3].Caption, QStringLiteral("Непонятное исключение. errno = 28"));
    }

    void aSecondFileReplacesEverythingAndAnUnreadableOneNothing() {
        TReportWorld world;
        world.Load(world.WriteFile("first.txt", CallFileText(SimRecords(1))));
        world.Choose("N7");
        world.Choose("N8");
        world.Select("", false, "8");

        const std::vector<TRecord> more = SimRecords(2);
        const std::vector<TRecord> second(more.begin(), more.begin() + 40);
        const QString secondFile = world.WriteFile("second.txt", CallFileText(second));
        world.Load(secondFile);
        QCOMPARE(world.Control<QGroupBox>("FileGroupBox")->title(),
                 QStringLiteral("Кол-во строк: 43"));
        QCOMPARE(world.Model("StringGrid1").rowCount(), 40);
        QCOMPARE(Row(world.Model("StringGrid1"), 39), ExpectedCallRow(second.back()));
        // In the order of first calls again, as the program lists them unsorted.
        const std::string lines = ReportProgramOutput(secondFile, {"--lines", "-"});
        QVERIFY(world.Export("N12") == lines);
        QVERIFY(world.Export("N13") == ReportProgramOutput(secondFile, {"--trunks", "-"}));

        // The file goes between the dialog and the load: a message, nothing changes.
        const QString vanishing = world.WriteFile("vanishing.txt", CallFileText(SimRecords(3)));
        world.ChooseWithFile("LoadMenuItem", vanishing, [vanishing] { QFile::remove(vanishing); });
        QCOMPARE(world.Messages.size(), std::size_t{1});
        QCOMPARE(world.Messages[0].Caption, QCoreApplication::applicationName());
        QVERIFY2(world.Messages[0].Text.contains(QStringLiteral("vanishing.txt")) &&
                     world.Messages[0].Text.contains(QStringLiteral("файл не найден")),
                 qPrintable(world.Messages[0].Text));
        QCOMPARE(world.Control<QGroupBox>("FileGroupBox")->title(),
                 QStringLiteral("Кол-во строк: 43"));
        QCOMPARE(world.Model("StringGrid1").rowCount(), 40);
        QVERIFY(world.Export("N12") == lines);

        // Closing lets go of the file: the next showing starts empty.
        world.Form->close();
        world.Form->show();
        QCOMPARE(world.Control<QGroupBox>("FileGroupBox")->title(),
                 QStringLiteral("Кол-во строк: "));
        for (const char* grid : {"StringGrid1", "ALGrid", "SLGrid"}) {
            QCOMPARE(world.Model(grid).rowCount(), 0);
        }
    }

    // The period bar's pause ends while a save dialog or the overwrite question
    // is open and replaces the shown lists: the export writes the lists shown
    // once its dialogs have closed.
    void anExportWritesTheListsShownOnceItsDialogsClose() {
        TReportWorld world;
        world.Load(world.WriteFile("calls.txt", CallFileText(SimRecords(9))));
        TModalWatchdog watchdog(std::chrono::seconds(30));
        auto* from = world.Control<QDateTimeEdit>("FromDateTimePicker");
        world.Control<QDateTimeEdit>("ToDateTimePicker")
            ->setDateTime(QDateTime(QDate(2024, 3, 31), QTime(23, 59)));
        // Longer than the pause after which the pickers' period is shown.
        const auto pastThePause = [] { QTest::qWait(700); };
        const std::pair<const char*, const char*> exports[] = {
            {"N2", "StringGrid1"}, {"N12", "ALGrid"}, {"N13", "SLGrid"}};
        int day = 0;
        for (const auto& [action, grid] : exports) {
            for (const bool overwrite : {false, true}) {
                from->setDateTime(QDateTime(QDate(2024, 3, ++day * 4), QTime(0, 0)));
                const QString target = world.PathOf(
                    (std::string(action) + (overwrite ? "-again.txt" : ".txt")).c_str());
                if (overwrite) {
                    world.WriteFile(qPrintable(QFileInfo(target).fileName()), "old\r\n");
                }
                tallyvox::app::SetMessageHook([&](const QString&, const QString&) {
                    pastThePause();
                    return true;
                });
                AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
                    tallyvox::testkit::TypeFileName(dialog, target.toStdString());
                    if (!overwrite) {
                        pastThePause();
                    }
                    static_cast<QDialog&>(dialog).accept();
                });
                world.Choose(action);
                QVERIFY2(!watchdog.Fired, action);
                QCOMPARE(world.Form->CurrentPeriod().From->Day, day * 4);
                const std::string written = FileContents(target.toStdString());
                QCOMPARE(SplitCrLf(written).size(),
                         static_cast<std::size_t>(world.Model(grid).rowCount() + 1));
                QVERIFY2(written == world.Export(action), action);
            }
        }
    }

    void aboutOpensBesideTheReportAsAWindowOfItsOwn() {
        TReportWorld world;
        QVERIFY(QTest::qWaitForWindowExposed(world.Form.get()));
        world.Choose("AboutMenuItem");
        QVERIFY(world.About->isVisible());
        QVERIFY(!world.About->isModal());
        QCOMPARE(world.About->pos(), world.Form->frameGeometry().topLeft() + QPoint(20, 20));
        QVERIFY(world.Form->isVisible());
    }

    void boxesAndColumnsFollowTheWindowSize() {
        TReportWorld world;
        world.Load(world.WriteFile("calls.txt", CallFileText(SimRecords(3))));
        QVERIFY(QTest::qWaitForWindowExposed(world.Form.get()));
        // This screen is narrower than 1024 pixels: the window takes the work area.
        QVERIFY(world.Form->isMaximized());
        QCOMPARE(world.Form->frameGeometry(), world.Form->screen()->availableGeometry());
        world.Form->setWindowState(Qt::WindowNoState);
        for (const QSize size : {QSize(790, 560), QSize(420, 400)}) {
            world.Form->resize(size);
            QTRY_COMPARE(world.Form->size(), size);
            const int boxHeight = world.Control<QWidget>("Panel1")->height() / 3 - 1;
            for (const char* box : {"FileGroupBox", "ALGroupBox", "SLGroupBox"}) {
                QCOMPARE(world.Control<QGroupBox>(box)->height(), boxHeight);
            }
            QTableView* calls = world.Grid("StringGrid1");
            const int w = calls->width();
            int sum = 0;
            for (int column = 0; column < 6; ++column) {
                sum += calls->columnWidth(column);
            }
            QCOMPARE(calls->columnWidth(6), std::max(w - sum - 30, calls->columnWidth(6)));
            if (size.width() > 700) {
                // Room enough: every column as the rule has it.
                const int expected[] = {w / 7 - 10, w / 7 - 10, w / 7,
                                        w / 7 - 18, w / 7 - 18, w / 7 - 18};
                for (int column = 0; column < 6; ++column) {
                    QCOMPARE(calls->columnWidth(column), expected[column]);
                }
                QCOMPARE(calls->columnWidth(6), w - sum - 30);
                QTableView* lines = world.Grid("ALGrid");
                QCOMPARE(lines->columnWidth(4), lines->width() / 5 - 10);
                QTableView* trunks = world.Grid("SLGrid");
                QCOMPARE(trunks->columnWidth(3), trunks->width() / 4 - 13);
            } else {
                // Too narrow for the rule: the date and the times still show whole.
                for (int column = 0; column < 3; ++column) {
                    const QString text =
                        world.Model("StringGrid1").index(0, column).data().toString();
                    QVERIFY(calls->fontMetrics().horizontalAdvance(text) <
                            calls->columnWidth(column));
                }
            }
        }
    }

    // A tariff table from the menu prices the calls and is remembered; a period
    // preset narrows every view and the window's own exports as the report
    // program's --from/--to do; a faulty table is refused and the loaded one
    // stays; the workbook is written.
    void pricesTheCallsOfAPeriodByATariffTable() {
        TReportWorld world;
        world.Form->SetClock([] { return QDateTime(QDate(2004, 6, 9), QTime(10, 0)); });
        QSignalSpy changes(world.Form.get(), &TMainForm_rep::PeriodOrTariffsChanged);
        const QString calls = world.WriteFile(
            "calls.txt", "07-05-2004 12:34:56   00:01:05   201( 112)   5         123456      \r\n"
                         "31-05-2004 23:59:59   00:59:50   201( 112)   5         8123456     \r\n"
                         "01-06-2004 00:00:00   00:00:10   202(  21)   5         8800        \r\n"
                         "31-05-2004 10:00:00   00:00:10   202(  21)   6         9999        \r\n");
        world.Load(calls);
        const QString tariffs = world.WriteFile(
            "tariffs.csv", "prefix;name;price_per_minute\r\n1;Город;1,50\r\n8;Межгород;3\r\n");
        world.ChooseWithFile("LoadTariffsMenuItem", tariffs);
        QVERIFY(world.Messages.empty());
        QCOMPARE(changes.count(), 2);
        QVERIFY(FileContents("TallyvoxOut.cfg").ends_with("TARIFFS=" + tariffs.toStdString()));
        QCOMPARE(world.Model("StringGrid1").columnCount(), 10);
        QCOMPARE(Row(world.Model("StringGrid1"), 1).mid(6),
                 (QStringList{"8123456", "01:00:00", "Межгород", "180,00"}));
        QVERIFY(world.Grid("DestinationGrid")->isVisibleTo(world.Form.get()));
        QCOMPARE(Row(world.Model("DestinationGrid"), 0),
                 (QStringList{"Межгород", "2", "61,00", "183,00"}));
        QCOMPARE(world.Control<QLabel>("TotalLabel")->text(),
                 QStringLiteral("Итого: 186,00   без тарифа: 1   входящих: 0"));

        // May 2004: the call of 1 June 00:00:00 goes, the one of 31 May 23:59:59 stays.
        auto* presets = world.Control<QComboBox>("PeriodComboBox");
        presets->setCurrentIndex(6);
        emit presets->activated(6);
        QCOMPARE(changes.count(), 3);
        QCOMPARE(world.Model("StringGrid1").rowCount(), 3 + 1); // and the totals row
        QCOMPARE(tallyvox::report::DateTimeText(*world.Form->CurrentPeriod().To),
                 "2004-05-31 23:59:59");
        QCOMPARE(world.Export("N12"), ReportProgramOutput(calls, {"--from", "2004-05-01", "--to",
                                                                  "2004-05-31", "--lines", "-"}));
        QCOMPARE(Row(world.Model("DestinationGrid"), 0),
                 (QStringList{"Межгород", "1", "60,00", "180,00"}));

        const QString bad =
            world.WriteFile("bad.csv", "prefix;name;price_per_minute\r\n1;Город;abc\r\n");
        QVERIFY(!world.Form->LoadTariffs(bad));
        QStringList shown;
        for (const TShownMessage& message : world.Messages) {
            shown << message.Text;
        }
        QVERIFY2(shown.size() == 1 && shown.front().contains(QStringLiteral("строка 2: price_")),
                 qPrintable(shown.join(QStringLiteral(" | "))));
        QCOMPARE(world.Form->Tariffs().Rows().size(), std::size_t{2});
        QVERIFY(FileContents("TallyvoxOut.cfg").ends_with("TARIFFS=" + tariffs.toStdString()));

        world.ChooseWithFile("SaveExcelMenuItem", world.PathOf("report.xlsx"));
        QVERIFY(FileContents(world.PathOf("report.xlsx").toStdString()).starts_with("PK"));
        presets->setCurrentIndex(0);
        emit presets->activated(0);
        QCOMPARE(world.Model("StringGrid1").rowCount(), 4 + 1);
        QVERIFY(world.Form->CurrentPeriod().Whole());
    }

    // A directory from the menu puts the person and the department each call's
    // line had on the call's day beside the line's numbers, in the call grid and
    // the line grid, and is remembered after the tariff table; a faulty one is
    // refused with its line and the loaded one stays.
    void aDirectoryNamesTheLinesInTheGridsAndIsRemembered() {
        TReportWorld world;
        world.Load(world.WriteFile(
            "calls.txt",
            "30-05-2004 23:59:59   00:01:05   201( 112)   5         123456      \r\n"
            "31-05-2004 00:00:00   00:00:10   201( 112)   5         8800        \r\n"
            "31-05-2004 10:00:00   00:00:10   202(  21)   6         9999        \r\n"));
        const QString tariffs =
            world.WriteFile("tariffs.csv", "prefix;name;price_per_minute\r\n1;Город;1,50\r\n");
        QVERIFY(world.Form->LoadTariffs(tariffs));
        const QString directory =
            world.WriteFile("directory.csv", "line;name;department;valid_from;valid_to\r\n"
                                             "201;Иванова Анна;Продажи;;2004-05-30\r\n"
                                             "201;Петров Борис;Продажи;2004-05-31;\r\n");
        world.ChooseWithFile("LoadDirectoryMenuItem", directory);
        QVERIFY(world.Messages.empty());
        const QStringList ivanova{"Иванова Анна", "Продажи"};
        const QStringList petrov{"Петров Борис", "Продажи"};
        QCOMPARE(Row(world.Model("StringGrid1"), 0).mid(3, 4),
                 QStringList({"201", "112"}) + ivanova);
        QCOMPARE(Row(world.Model("StringGrid1"), 1).mid(5, 2), petrov);
        QCOMPARE(Row(world.Model("StringGrid1"), 2).mid(5, 2), (QStringList{"", ""}));
        QCOMPARE(Row(world.Model("ALGrid"), 0).mid(0, 4), QStringList({"201", "112"}) + petrov);
        QVERIFY(FileContents("TallyvoxOut.cfg")
                    .ends_with("TARIFFS=" + tariffs.toStdString() +
                               "\r\nDIRECTORY=" + directory.toStdString()));

        const QString bad = world.WriteFile(
            "bad.csv",
            "line;name;department;valid_from\r\n202;Сидорова Вера;Бухгалтерия;вчера\r\n");
        QVERIFY(!world.Form->LoadDirectory(bad));
        QVERIFY2(world.Messages.size() == 1 &&
                     world.Messages.front().Text.contains(QStringLiteral("строка 2: ")),
                 qPrintable(world.Messages.front().Text));
        QCOMPARE(Row(world.Model("StringGrid1"), 1).mid(5, 2), petrov);
        world.ChooseWithFile("SaveCsvMenuItem_departments", world.PathOf("departments.csv"));
        // Line 202 has no entry: its call is in the "Нет в справочнике" row.
        const std::vector<std::string> departments =
            SplitCrLf(FileContents(world.PathOf("departments.csv").toStdString()));
        QCOMPARE(departments.size(), std::size_t{3});
        QCOMPARE(departments[1], std::string("Продажи;2;00:01:15;0,00;0,00;0,00;0,00;3,00;3,00"));
        QCOMPARE(departments[2],
                 std::string("Нет в справочнике;1;00:00:10;0,00;0,00;0,00;0,00;0,00;0,00"));
        world.Control<QSpinBox>("MaskDigitsSpinBox")->setValue(3);
        QCOMPARE(Row(world.Model("StringGrid1"), 0).mid(5, 4),
                 ivanova + QStringList({"5", "123XXX"}));
        // A department narrows the shown calls to its lines; "Все отделы" shows all again.
        auto* filter = world.Control<QComboBox>("DepartmentComboBox");
        QCOMPARE(filter->itemText(1), QStringLiteral("Продажи"));
        const int allRows = world.Model("StringGrid1").rowCount();
        for (const int chosen : {1, 0}) {
            filter->setCurrentIndex(chosen);
            emit filter->activated(chosen);
            QCOMPARE(world.Model("StringGrid1").rowCount(), chosen == 1 ? allRows - 1 : allRows);
            QCOMPARE(Row(world.Model("ALGrid"), 0).mid(0, 1), QStringList({"201"}));
        }
        if (const QByteArray shots = qgetenv("TALLYVOX_SHOTS"); !shots.isEmpty()) {
            world.Form->resize(1400, 700);
            world.Form->grab().save(QDir(QString::fromLocal8Bit(shots)).filePath("directory.png"));
        }
    }

    // The tariff table's name goes into the output configuration only as a whole
    // new file: while the old one cannot be read, or the disk is full, the old
    // one stays as it was and the user is told the table is not remembered.
    void aTariffTableIsRememberedOnlyByAWholeNewConfiguration() {
        TReportWorld world;
        const std::string lines = "TARIF_FNAME=/calls.txt\r\nREALTIME_FNAME=\r\nAUTO=AUTOSTART_1";
        const std::string config = world.WriteFile("TallyvoxOut.cfg", lines).toStdString();
        const QString tariffs =
            world.WriteFile("tariffs.csv", "prefix;name;price_per_minute\r\n1;Город;1,50\r\n");
        const auto notRemembered = [&world](std::size_t count) {
            return world.Messages.size() == count &&
                   world.Messages.back().Text.startsWith(
                       QStringLiteral("Тарифы загружены, но не запомнены"));
        };

        std::filesystem::permissions(config, std::filesystem::perms::none);
        {
            const tallyvox::testkit::TWithoutFileOverride asAUser;
            QVERIFY(world.Form->LoadTariffs(tariffs));
        }
        std::filesystem::permissions(config, std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_write);
        QVERIFY(notRemembered(1));
        QCOMPARE(FileContents(config), lines);
        {
            const tallyvox::testkit::TFileSizeLimit fullDisk(20);
            QVERIFY(world.Form->LoadTariffs(tariffs));
        }
        QVERIFY(notRemembered(2));
        QCOMPARE(FileContents(config), lines);
        QCOMPARE(world.Form->Tariffs().Rows().size(), std::size_t{1});

        QVERIFY(world.Form->LoadTariffs(tariffs));
        QCOMPARE(world.Messages.size(), std::size_t{2});
        QCOMPARE(FileContents(config), lines + "\r\nTARIFFS=" + tariffs.toStdString());
        QCOMPARE(QDir(world.PathOf("")).entryList(QDir::Files),
                 QStringList({"TallyvoxOut.cfg", "tariffs.csv"}));
    }

    // With a tariff table the grids write durations and traffic as without one;
    // the pickers show which days "Все звонки" covers (none: disabled); every
    // column is wide enough for its total (in bold); a narrow window has the
    // destinations below the grids, a wide one beside them.
    void pricedGridsShowTheUnpricedFormsAndSayWhatTheyShow() {
        TReportWorld world;
        const std::vector<TRecord> records = SimRecords(4);
        world.Load(world.WriteFile("calls.txt", CallFileText(records)));
        auto* from = world.Control<QDateTimeEdit>("FromDateTimePicker");
        auto* to = world.Control<QDateTimeEdit>("ToDateTimePicker");
        const auto [first, last] = std::minmax_element(
            records.begin(), records.end(), [](const TRecord& a, const TRecord& b) {
                return std::tie(a.Year, a.Month, a.Day) < std::tie(b.Year, b.Month, b.Day);
            });
        const auto showsTheFile = [&] {
            return from->isEnabled() && to->isEnabled() &&
                   from->dateTime() ==
                       QDateTime(QDate(first->Year, first->Month, first->Day), QTime(0, 0)) &&
                   to->date() == QDate(last->Year, last->Month, last->Day) &&
                   to->time().hour() == 23 && to->time().minute() == 59;
        };
        QVERIFY(showsTheFile());
        const std::pair<const char*, int> grids[] = {
            {"StringGrid1", 7}, {"ALGrid", 5}, {"SLGrid", 4}};
        std::map<QString, std::vector<QStringList>> unpriced;
        for (const auto& [grid, columns] : grids) {
            for (int row = 0; row < world.Model(grid).rowCount(); ++row) {
                unpriced[grid].push_back(Row(world.Model(grid), row).mid(1, columns - 1));
            }
        }
        const QString tariffs = world.WriteFile(
            "tariffs.csv", "prefix;name;price_per_minute\r\n;Все;1\r\n8;Межгород;3\r\n");
        QVERIFY(world.Form->LoadTariffs(tariffs));
        world.Form->setWindowState(Qt::WindowNoState);
        world.Form->resize(800, 600);
        QTRY_COMPARE(world.Form->size(), QSize(800, 600));
        for (const auto& [grid, columns] : grids) {
            const QAbstractItemModel& model = world.Model(grid);
            QCOMPARE(model.rowCount(), static_cast<int>(unpriced[grid].size()) + 1);
            for (int row = 0; row + 1 < model.rowCount(); ++row) {
                QCOMPARE(Row(model, row).mid(1, columns - 1),
                         unpriced[grid][static_cast<std::size_t>(row)]);
            }
            QTableView* view = world.Grid(grid);
            QFont bold = view->font();
            bold.setBold(true);
            for (int column = 0; column < model.columnCount(); ++column) {
                const QString total = model.index(model.rowCount() - 1, column).data().toString();
                QVERIFY2(QFontMetrics(bold).horizontalAdvance(total) < view->columnWidth(column),
                         qPrintable(
                             QStringLiteral("%1 column %2: %3").arg(grid).arg(column).arg(total)));
            }
        }
        QVERIFY(showsTheFile());
        // So narrow a window has the destinations below the boxes, and the line
        // and trunk grids show every column; a wide one has them beside.
        const QRect boxes = world.Control<QWidget>("Panel1")->geometry();
        QVERIFY(world.Control<QGroupBox>("DestinationGroupBox")->geometry().top() > boxes.bottom());
        for (const char* grid : {"ALGrid", "SLGrid"}) {
            QCOMPARE(world.Grid(grid)->horizontalScrollBar()->maximum(), 0);
        }
        world.Form->resize(1366, 768);
        QTRY_COMPARE(world.Form->size(), QSize(1366, 768));
        QTRY_VERIFY(world.Control<QGroupBox>("DestinationGroupBox")->geometry().left() >
                    world.Control<QWidget>("Panel1")->geometry().right());

        auto* presets = world.Control<QComboBox>("PeriodComboBox");
        presets->setCurrentIndex(1);
        emit presets->activated(1);
        QVERIFY(from->isEnabled());
        presets->setCurrentIndex(0);
        emit presets->activated(0);
        QVERIFY(showsTheFile());
        world.Load(world.WriteFile("empty.txt", "\r\n"));
        QVERIFY(!from->isEnabled() && !to->isEnabled());
    }

    void theMainWindowOpensTheReportModallyInTheStartFolder() {
        TMainWindowWorld world;
        world.WriteSettings();
        world.MapPortToNowhere(1);
        // A start folder whose name Windows-1251 cannot write.
        const std::filesystem::path start = world.PathOf("start \u65e5\u672c");
        std::filesystem::create_directory(start);
        std::filesystem::copy_file(world.PathOf("Tallyvox.cfg"), start / "Tallyvox.cfg");
        const tallyvox::testkit::TCurrentDir inStart(start);
        // Both windows belong to the main window, as in the program.
        auto* report = new TMainForm_rep;
        auto* about = new TAboutForm;
        report->SetAboutForm(about);
        QVERIFY(world.StartWindow([report, about](tallyvox::app::TMainForm& form) {
            report->setParent(&form, report->windowFlags());
            about->setParent(&form, about->windowFlags());
            form.SetReportForm(report);
        }));
        world.Messages.clear();
        std::optional<bool> modal;
        bool aboutTookTheMouse = false;
        QString openFolder;
        AnswerNextModal<TMainForm_rep>([&](TMainForm_rep& shown) {
            modal = shown.isVisible();
            openFolder = shown.findChild<QFileDialog*>("OpenDialog1")->directory().absolutePath();
            // The About window opened from the modal report takes the mouse.
            shown.findChild<QAction*>("AboutMenuItem")->trigger();
            QWidget* text = about->findChild<QPlainTextEdit*>("RichEdit1")->viewport();
            TPressCounter presses;
            text->installEventFilter(&presses);
            QTest::mouseClick(about->windowHandle(), Qt::LeftButton, {},
                              text->mapTo(about, QPoint(20, 20)));
            aboutTookTheMouse = presses.Count > 0;
            shown.close();
        });
        world.Command("Report_MenuItem")->trigger();
        QCOMPARE(modal, std::optional<bool>(true));
        QVERIFY(aboutTookTheMouse);
        QCOMPARE(openFolder, QDir(start).absolutePath());
        QVERIFY(!report->isVisible());
        QVERIFY(world.Messages.empty());
        QCOMPARE(report->windowTitle(), QCoreApplication::applicationName());
    }
};

QTEST_MAIN(ReportFormTest)
#include "ReportFormTest.moc"
