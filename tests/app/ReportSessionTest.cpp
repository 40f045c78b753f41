// The report window and tallyvox-report are clients of one report session:
// each view of the catalog gives the same CSV bytes from both, and a view added
// to the catalog shows in both without a change to either.

#include <QAction>
#include <QFileDialog>
#include <QProcess>
#include <QTest>
#include <fstream>
#include <sstream>

#include "app/MainForm_rep.h"
#include "callfile/CallLine.h"
#include "model/Record.h"
#include "report/CostViews.h"
#include "reportcli/CommandLine.h"
#include "reportcli/Run.h"
#include "tests/app/MainWindowWorld.h"
#include "tests/kit/TempDir.h"

using tallyvox::app::TMainForm_rep;
namespace report = tallyvox::report;

namespace {

// Two days of calls on five lines and three trunks, every third one incoming,
// numbers for several rows of the tariff table.
std::string CallFile(const std::filesystem::path& folder) {
    const std::filesystem::path file = folder / "calls.txt";
    std::ofstream out(file, std::ios::binary);
    const char* numbers[] = {"", "84951234567", "2345678", "810441234567", "89161234567"};
    for (int i = 0; i < 120; ++i) {
        tallyvox::TRecord record;
        record.Year = 2024;
        record.Month = 3;
        record.Day = 4 + i / 60;
        record.StartHour = 9 + i % 60 / 6;
        record.StartMinute = i % 6 * 9;
        record.DurationMinutes = i % 7;
        record.DurationSeconds = 5 + i % 50;
        record.HardwareLine = 201 + i % 5;
        record.ProgramNumber = std::to_string(2201 + i % 5);
        record.Trunk = std::to_string(1 + i % 3);
        record.DialledNumber = i % 3 == 0 ? "" : numbers[1 + i % 4];
        out << tallyvox::callfile::FormatCallLine(record) << "\r\n";
    }
    return file.string();
}

std::string FileBytes(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The CSV of a view as the window saves it from its "Сохранить в CSV" menu.
std::string WindowCsv(TMainForm_rep& form, const std::string& key, const std::string& target) {
    tallyvox::testkit::AnswerNextModal<QFileDialog>([target](QFileDialog& dialog) {
        tallyvox::testkit::TypeFileName(dialog, target);
        static_cast<QDialog&>(dialog).accept();
    });
    auto* save = form.findChild<QAction*>(QString::fromStdString("SaveCsvMenuItem_" + key));
    if (save == nullptr) {
        return "(no menu item for " + key + ")";
    }
    save->trigger();
    return FileBytes(target);
}

// The CSV of a view as tallyvox-report writes it.
std::string ProgramCsv(const QStringList& arguments, const std::string& key,
                       const std::string& target) {
    QProcess program;
    program.start(QStringLiteral(TALLYVOX_REPORT_PROGRAM),
                  arguments + QStringList{"--csv", QString::fromStdString(key + "=" + target)});
    if (!program.waitForFinished(60000) || program.exitCode() != 0) {
        return "(tallyvox-report failed: " + program.readAllStandardError().toStdString() + ")";
    }
    return FileBytes(target);
}

// A view that only this test knows: each line's hardware number and its calls'
// total talk time.
class TTalkTimeView final : public report::TReportView {
public:
    explicit TTalkTimeView(const report::TLineList& lines) : Lines(lines) {}
    std::string Name() const override { return "TalkTime"; }
    const std::vector<report::TColumn>& Columns() const override {
        static const std::vector<report::TColumn> columns{{"Line", report::TCellKind::Text},
                                                          {"Talk", report::TCellKind::Duration}};
        return columns;
    }
    std::size_t RowCount() const override { return Lines.Count(); }
    report::TCell Cell(std::size_t row, std::size_t column) const override {
        report::TCell cell;
        cell.Kind = Columns()[column].Kind;
        cell.Text = Lines[row].HardwareLine;
        cell.Number = Lines[row].TotalSeconds;
        return cell;
    }
    std::vector<report::TCell> Totals() const override { return {}; }

private:
    const report::TLineList& Lines;
};

} // namespace

class ReportSessionTest : public QObject {
    Q_OBJECT

private slots:
    void everyViewGivesTheSameCsvFromTheWindowAndTheProgram() {
        tallyvox::testkit::TTempDir folder;
        tallyvox::testkit::TCurrentDir inFolder(folder.Path());
        const std::string calls = CallFile(folder.Path());
        TMainForm_rep form;
        form.SetInitialDir(folder.Path());
        form.show();
        form.LoadFile(QString::fromStdString(calls));
        QVERIFY(form.LoadTariffs(QStringLiteral(TALLYVOX_TARIFFS)));
        const QStringList arguments{QString::fromStdString(calls), "--tariffs", TALLYVOX_TARIFFS};
        for (const report::TViewEntry& view : report::ViewCatalog()) {
            const std::string window = WindowCsv(
                form, view.Key, (folder.Path() / ("window-" + view.Key + ".csv")).string());
            QVERIFY2(window.size() > 3 + 20, view.Key.c_str()); // the BOM, titles and rows
            QCOMPARE(window,
                     ProgramCsv(arguments, view.Key,
                                (folder.Path() / ("program-" + view.Key + ".csv")).string()));
        }
        // A period narrows both alike.
        form.SetPeriod({report::TDateTime{2024, 3, 5, 0, 0, 0}, std::nullopt});
        QCOMPARE(WindowCsv(form, "lines", (folder.Path() / "window-period.csv").string()),
                 ProgramCsv(arguments + QStringList{"--from", "2024-03-05"}, "lines",
                            (folder.Path() / "program-period.csv").string()));
    }

    void aViewAddedToTheCatalogShowsInBothClients() {
        report::AddView({"talktime", 0, [](const report::TViewSources& from) {
                             return std::make_unique<TTalkTimeView>(from.Lines);
                         }});
        tallyvox::testkit::TTempDir folder;
        tallyvox::testkit::TCurrentDir inFolder(folder.Path());
        const std::string calls = CallFile(folder.Path());
        TMainForm_rep form;
        form.SetInitialDir(folder.Path());
        form.show();
        form.LoadFile(QString::fromStdString(calls));
        const std::string window =
            WindowCsv(form, "talktime", (folder.Path() / "window.csv").string());
        QVERIFY2(window.starts_with("\xEF\xBB\xBFLine;Talk\r\n201;"), window.c_str());

        // tallyvox-report's run, in this process where the view was added.
        const std::string program = (folder.Path() / "program.csv").string();
        std::ostringstream err;
        const int status = tallyvox::reportcli::RunReport(
            tallyvox::reportcli::ParseCommandLine({calls, "--csv", "talktime=" + program}),
            [] { return report::TDateFormat("dd.MM.yyyy"); }, {2024, 3, 6, 0, 0, 0}, stdout, err);
        QCOMPARE(status, 0);
        QCOMPARE(FileBytes(program), window);
    }
};

QTEST_MAIN(ReportSessionTest)
#include "ReportSessionTest.moc"
