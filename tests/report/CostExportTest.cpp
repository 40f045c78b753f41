#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "report/CsvExport.h"
#include "report/Period.h"
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
    EXPECT_EQ(CsvText(priced.Views->View(TViewKind::Calls)),
              "\xEF\xBB\xBF"
              "Дата;Время;Длительность;Апп. АЛ;Прг. АЛ;Номер СЛ;Внешний номер;Тариф. длит.;"
              "Направление;Стоимость\r\n"
              "01.12.2026;09:05:07;0:01:01;201;0021;5;=\"0123\";0:02:00;\"Город; \"\"центр\"\"\";"
              "3,00\r\n"
              "01.12.2026;23:00:00;1:02:05;201;0021;5;=\"84951234567\";1:03:00;Межгород;201,60\r\n"
              "02.12.2026;10:00:00;0:00:31;201;0021;5;=\"810441234567890123\";0:00:36;"
              "Международная;7,41\r\n"
              "02.12.2026;11:00:00;0:00:40;201;0021;5;;;;\r\n"
              "02.12.2026;12:00:00;0:00:40;201;0021;5;=\"+74951234567\";;;\r\n");
    EXPECT_EQ(CsvText(priced.Views->View(TViewKind::Lines)),
              "\xEF\xBB\xBF"
              "Апп. АЛ;Прг. АЛ;Исх. трафик;Вх. трафик;Общий трафик;Звонков;Стоимость\r\n"
              "201;0021;1:04:17;0:00:40;1:04:57;5;212,01\r\n");
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

} // namespace
} // namespace tallyvox::report
