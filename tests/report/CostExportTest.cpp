#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <utility>

#include "report/CsvExport.h"
#include "report/Period.h"
#include "report/SpreadsheetText.h"
#include "report/TariffReader.h"
#include "report/Totals.h"
#include "report/Workbook.h"
#include "tests/kit/TempDir.h"
#include "text/Cp1251.h"

namespace tallyvox::report {
namespace {

const char* const Table = "prefix;name;price_per_minute;initial_seconds;step_seconds\n"
                          "0;\"Город; \"\"центр\"\"\";1,5;;\n"
                          "8;Межгород;3,2;;\n"
                          "810;Международная;12.3456;30;6\n";

// Calls with a leading 0, a leading +, a long number, an incoming call and one
// that no row prices.
struct TPriced {
    TCallList Calls;
    TTariffTable Tariffs = ReadTariffText(Table, "/data/tariffs.csv");
    TCostReport Costs;
    TLineList Lines;
    TTrunkList Trunks;
    std::unique_ptr<TCallRows> Rows;
    std::unique_ptr<TCostViews> Views;

    explicit TPriced(int copies = 1) {
        const std::vector<std::tuple<const char*, int, const char*>> calls{
            {"2026-12-01 09:05:07", 61, "0123"},
            {"2026-12-01 23:00:00", 3725, "84951234567"},
            {"2026-12-02 10:00:00", 31, "810441234567890123"},
            {"2026-12-02 11:00:00", 40, ""},
            {"2026-12-02 12:00:00", 40, "+74951234567"},
        };
        for (int copy = 0; copy < copies; ++copy) {
            for (const auto& [start, seconds, number] : calls) {
                TExtStr_rep call;
                call.Start = *ParseDateTime(start);
                call.TotalSeconds = seconds;
                call.HardwareLine = "201";
                call.ProgramNumber = "0021";
                call.Trunk = "5";
                call.DialledNumber = number;
                Calls.Append(call);
            }
        }
        Costs = PriceCalls(Calls, Tariffs);
        Lines = BuildLineList(Calls);
        Trunks = BuildTrunkList(Calls);
        Rows = std::make_unique<TCallRows>(Calls);
        Views = std::make_unique<TCostViews>(*Rows, Lines, Trunks, Costs, Tariffs);
    }
};

TEST(CostCsv, WritesForARussianSpreadsheet) {
    const TPriced priced;
    EXPECT_EQ(
        CsvText(priced.Views->View(TViewKind::Calls)),
        "\xEF\xBB\xBF"
        "Дата;Время;Длительность;Апп. АЛ;Прг. АЛ;Номер СЛ;Внешний номер;Тариф. длит.;"
        "Направление;Стоимость\r\n"
        "01.12.2026;09:05:07;00:01:01;201;0021;5;=\"0123\";00:02:00;\"Город; \"\"центр\"\"\";"
        "3,00\r\n"
        "01.12.2026;23:00:00;01:02:05;201;0021;5;=\"84951234567\";01:03:00;Межгород;201,60\r\n"
        "02.12.2026;10:00:00;00:00:31;201;0021;5;=\"810441234567890123\";00:00:36;"
        "Международная;7,41\r\n"
        "02.12.2026;11:00:00;00:00:40;201;0021;5;;;;\r\n"
        "02.12.2026;12:00:00;00:00:40;201;0021;5;=\"+74951234567\";;;\r\n");
    EXPECT_EQ(CsvText(priced.Views->View(TViewKind::Lines)),
              "\xEF\xBB\xBF"
              "Апп. АЛ;Прг. АЛ;Исх. трафик;Вх. трафик;Общий трафик;Звонков;Стоимость\r\n"
              "201;0021;01:04:17;00:00:40;01:04:57;5;212,01\r\n");
    EXPECT_EQ(CsvText(priced.Views->View(TViewKind::Destinations)),
              "\xEF\xBB\xBF"
              "Направление;Звонков;Тариф. минут;Стоимость\r\n"
              "Межгород;1;63,00;201,60\r\n"
              "Международная;1;0,60;7,41\r\n"
              "\"Город; \"\"центр\"\"\";1;2,00;3,00\r\n");
    EXPECT_EQ(priced.Costs.Unpriced, 1u);
    EXPECT_EQ(priced.Costs.Incoming, 1u);
}

std::string Unzipped(const std::filesystem::path& book, const std::string& member) {
    const std::string command = "unzip -p '" + book.string() + "' '" + member + "'";
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string text;
    char buffer[4096];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) {
        text.append(buffer, n);
    }
    return text;
}

// The value element of a cell of a sheet's XML, or "" when the cell is absent.
std::string CellValue(const std::string& sheet, const std::string& cell) {
    const std::size_t at = sheet.find("<c r=\"" + cell + "\"");
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t begin = sheet.find('>', at) + 1;
    return sheet.substr(begin, sheet.find("</c>", begin) - begin);
}

// The number format of a cell: its style's numFmtId looked up in the styles.
std::string FormatCode(const std::string& styles, const std::string& sheet,
                       const std::string& cell) {
    const std::size_t at = sheet.find("<c r=\"" + cell + "\"");
    const std::size_t style = sheet.find(" s=\"", at);
    if (at == std::string::npos || style > sheet.find('>', at)) {
        return "none";
    }
    int index = std::stoi(sheet.substr(style + 4));
    std::size_t xf = styles.find("<cellXfs");
    for (; index >= 0; --index) {
        xf = styles.find("<xf ", xf + 1);
    }
    const std::size_t id = styles.find("numFmtId=\"", xf) + 10;
    const std::string number = styles.substr(id, styles.find('"', id) - id);
    const std::size_t defined = styles.find("<numFmt numFmtId=\"" + number + "\" formatCode=\"");
    if (defined == std::string::npos) {
        return number == "49" ? "@" : "builtin " + number;
    }
    const std::size_t code = styles.find("formatCode=\"", defined) + 12;
    return styles.substr(code, styles.find('"', code) - code);
}

// Ten calls on sheets of eight rows (three heading lines, the title row, three
// calls and room for the totals): the calls go on in three more sheets, and only
// the last one has the totals.
TEST(CostWorkbook, WritesTypedCellsAndContinuesALongViewOnTheNextSheet) {
    const testkit::TTempDir dir;
    const TPriced priced(2); // ten calls: 3 + 3 + 3 + 1
    const auto book = dir.Path() / "report.xlsx";
    std::vector<const TCostView*> views;
    for (const TViewKind kind :
         {TViewKind::Calls, TViewKind::Lines, TViewKind::Trunks, TViewKind::Destinations}) {
        views.push_back(&priced.Views->View(kind));
    }
    const std::vector<std::string> heading =
        HeadingLines(PeriodCaption({}), priced.Tariffs, priced.Costs);
    WriteWorkbook(book.string(), views, {heading, 8});

    const std::string workbook = Unzipped(book, "xl/workbook.xml");
    for (const char* name :
         {"Звонки", "Звонки (2)", "Звонки (3)", "Звонки (4)", "АЛ", "СЛ", "Направления"}) {
        EXPECT_NE(workbook.find(std::string("name=\"") + name + "\""), std::string::npos) << name;
    }
    EXPECT_EQ(workbook.find("Звонки (5)"), std::string::npos);
    const std::string first = Unzipped(book, "xl/worksheets/sheet1.xml");
    EXPECT_NE(first.find("Период: все звонки"), std::string::npos);
    EXPECT_NE(first.find("Тарифы: tariffs.csv"), std::string::npos);
    EXPECT_NE(first.find("<pane ySplit=\"4\""), std::string::npos);
    EXPECT_NE(first.find("<autoFilter ref=\"A4:J7\""), std::string::npos);
    // Dates and times are numbers (days since 1900, fractions of a day) with a
    // date or time format, durations fractions of a day shown past 24 hours,
    // money a number with two decimals, the phone number a string.
    const std::string styles = Unzipped(book, "xl/styles.xml");
    struct TCase {
        const char* Cell;
        const char* Value;
        const char* Format;
    };
    for (const TCase& c : std::vector<TCase>{{"A5", "<v>46357</v>", "dd.mm.yyyy"},
                                             {"B5", "<v>0.3785532407407408</v>", "hh:mm:ss"},
                                             {"C5", "<v>0.0007060185185185185</v>", "[h]:mm:ss"},
                                             {"G5", "<is><t>0123</t></is>", "@"},
                                             {"J5", "<v>3</v>", "0.00"},
                                             {"J6", "<v>201.6</v>", "0.00"}}) {
        EXPECT_EQ(CellValue(first, c.Cell), c.Value) << c.Cell;
        EXPECT_EQ(FormatCode(styles, first, c.Cell), c.Format) << c.Cell;
    }
    EXPECT_EQ(first.find("<t>Итого</t>"), std::string::npos);
    const std::string last = Unzipped(book, "xl/worksheets/sheet4.xml");
    EXPECT_EQ(CellValue(last, "A5"), "<v>46358</v>");
    EXPECT_EQ(CellValue(last, "A6"), "<is><t>Итого</t></is>");
    EXPECT_EQ(CellValue(last, "J6"), "<v>424.02</v>"); // 2 × 212,01
    EXPECT_EQ(FormatCode(styles, last, "J6"), "0.00");
    EXPECT_EQ(CellValue(last, "A7"), "");
}

// The fields of a CSV file (";" between fields, a field that begins with a
// quote is quoted, "" in it for a quote, CR LF between rows), without its BOM.
std::vector<std::vector<std::string>> CsvFields(const std::string& csv) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    bool fieldStart = true;
    for (std::size_t i = 3; i < csv.size(); ++i) {
        const char c = csv[i];
        const bool starts = std::exchange(fieldStart, false);
        if (quoted && c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
            rows.back().back() += '"';
            ++i;
        } else if (quoted && c == '"') {
            quoted = false;
        } else if (starts && c == '"') {
            quoted = true;
        } else if (!quoted && c == ';') {
            rows.back().emplace_back();
            fieldStart = true;
        } else if (!quoted && c == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n') {
            rows.emplace_back(1);
            fieldStart = true;
            ++i;
        } else {
            rows.back().back() += c;
        }
    }
    rows.pop_back(); // after the last line end
    return rows;
}

// Names from a tariff table and dialled numbers from a call file that a
// spreadsheet would run: each is written as text with an apostrophe in front,
// cell by cell; the numbers this program writes stay numbers; a NUL shows as
// U+FFFD in the CSV and in the workbook; a text longer than a workbook cell is
// cut with "…" and told.
TEST(CostCsv, NoTextFromAFileRunsAndNoneIsCutSilently) {
    struct TCase {
        std::string Name;         // in the tariff table (UTF-8)
        std::string Dialled;      // in the call file
        std::string NameField;    // the CSV's "Направление" of the call
        std::string DialledField; // the CSV's "Внешний номер"
    };
    std::string longName;
    for (int i = 0; i < 40000; ++i) {
        longName += "Ж";
    }
    const std::vector<TCase> cases{
        {"=HYPERLINK(\"http://x.example/\";\"y\")", "1001",
         "'=HYPERLINK(\"http://x.example/\";\"y\")", "=\"1001\""},
        {"+cmd|' /C calc'!A0", "2002", "'+cmd|' /C calc'!A0", "=\"2002\""},
        {"-1+2", "3003", "'-1+2", "=\"3003\""},
        {"@SUM(1+1)", "4004", "'@SUM(1+1)", "=\"4004\""},
        {"\rcalc", "5005", "'\rcalc", "=\"5005\""},
        {"Город", "9123", "Город", "=\"9123\""},
        {"", "+74951234567", "", "=\"+74951234567\""},
        {"Межгород", "6=1+1", "Межгород", "6=1+1"},
        {"Зона 7", "7-1", "Зона 7", "7-1"},
        {"", "=1+1", "", "'=1+1"},
        {"", "-5", "", "'-5"},
        {"", "@A1", "", "'@A1"},
        {"", "\t=2", "", "'\t=2"},
        {"", "+7(495)", "", "'+7(495)"},
        {"",
         std::string("05\0"
                     "34",
                     5),
         "",
         "05\xEF\xBF\xBD"
         "34"},
        {longName, "8008", longName, "=\"8008\""},
    };
    std::string table = "prefix;name;price_per_minute\n";
    for (const TCase& c : cases) {
        if (!c.Name.empty()) {
            std::string quoted;
            for (const char k : c.Name) {
                quoted += k == '"' ? std::string("\"\"") : std::string(1, k);
            }
            table += c.Dialled.substr(0, 1) + ";\"" + quoted + "\";1,50\n";
        }
    }
    const TTariffTable tariffs = ReadTariffText(table, "/data/hostile.csv");
    TCallList calls;
    for (const TCase& c : cases) {
        TExtStr_rep call;
        call.Start = *ParseDateTime("2026-12-01 09:00:00");
        call.TotalSeconds = 60;
        call.HardwareLine = "201";
        call.ProgramNumber = "-21";
        call.Trunk = "5";
        call.DialledNumber = c.Dialled; // ASCII: the same in Windows-1251
        calls.Append(call);
    }
    const TCostReport costs = PriceCalls(calls, tariffs);
    const TLineList lines = BuildLineList(calls);
    const TTrunkList trunks = BuildTrunkList(calls);
    const TCallRows rows(calls);
    const TCostViews views(rows, lines, trunks, costs, tariffs);

    const auto csv = CsvFields(CsvText(views.View(TViewKind::Calls)));
    ASSERT_EQ(csv.size(), cases.size() + 1);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::vector<std::string>& row = csv[i + 1];
        ASSERT_EQ(row.size(), 10u) << i;
        EXPECT_EQ(row[4], "'-21") << i;
        EXPECT_EQ(row[6], cases[i].DialledField) << i;
        EXPECT_EQ(row[8], cases[i].NameField) << i;
        // Written here: date, time, durations and cost are figures, never prefixed.
        EXPECT_EQ(row[0], "01.12.2026") << i;
        EXPECT_EQ(row[2], "00:01:00") << i;
        EXPECT_EQ(row[9], cases[i].NameField.empty() ? "" : "1,50") << i;
    }
    const auto destinations = CsvFields(CsvText(views.View(TViewKind::Destinations)));
    for (std::size_t i = 1; i < destinations.size(); ++i) {
        EXPECT_FALSE(StartsLikeFormula(destinations[i][0])) << destinations[i][0];
    }

    const testkit::TTempDir dir;
    const auto book = dir.Path() / "hostile.xlsx";
    const auto warnings = dir.Path() / "warnings.txt";
    {
        const std::unique_ptr<FILE, int (*)(FILE*)> told(std::fopen(warnings.c_str(), "w"),
                                                         std::fclose);
        TWorkbookOptions options;
        options.Warnings = told.get();
        WriteWorkbook(book.string(), {&views.View(TViewKind::Calls)}, options);
    }
    // Strings stay strings (never a formula), the NUL is U+FFFD, the long name
    // is 32 766 characters and "…".
    const std::string sheet = Unzipped(book, "xl/worksheets/sheet1.xml");
    EXPECT_EQ(sheet.find("<f>"), std::string::npos);
    EXPECT_TRUE(CellValue(sheet, "I2").starts_with("<is><t>=HYPERLINK(")) << CellValue(sheet, "I2");
    EXPECT_EQ(CellValue(sheet, "G16"), "<is><t>05\xEF\xBF\xBD"
                                       "34</t></is>");
    EXPECT_EQ(CellValue(sheet, "I17"),
              "<is><t>" + longName.substr(0, 2 * 32766) + "\xE2\x80\xA6</t></is>");
    const std::string told = testkit::FileContents(warnings);
    EXPECT_NE(told.find("1 texts longer than 32767 characters cut"), std::string::npos) << told;
}

} // namespace
} // namespace tallyvox::report
