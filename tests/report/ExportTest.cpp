#include <gtest/gtest.h>

#include "report/Cells.h"
#include "report/Export.h"
#include "report/Totals.h"
#include "tests/report/CallLines.h"
#include "text/Cp1251.h"

namespace tallyvox::report {
namespace {

const std::string Outgoing = CallLine(201, "112", "(2)05", "123456", 0, 1, 5);
const std::string Incoming =
    "07*05*2004 09:04:06   00:00:45   123(    )       5" + std::string(5 + 21, ' ');

std::string Blanks(std::size_t count) {
    return std::string(count, ' ');
}

std::vector<std::string> Cp1251(const std::vector<std::string>& utf8) {
    std::vector<std::string> lines;
    for (const std::string& line : utf8) {
        lines.push_back(text::Utf8ToCp1251(line));
    }
    return lines;
}

const TDateFormat Dotted("dd.MM.yyyy");

TEST(Exports, WriteTheHeaderAndOneFixedColumnLinePerRow) {
    const TCallList calls = Loaded({Outgoing, Incoming});
    const TCallRows rows(calls);
    EXPECT_EQ(ExportLines(TCallExport(rows, Dotted)),
              Cp1251({"        Начало         Длит.    Апп.  Прг.   СЛ     Набранный номер",
                      "07.05.2004  12:34:56  00:01:05  201   112    (2)05  123456" + Blanks(13),
                      "07.05.2004  09:04:06  00:00:45  123" + Blanks(10) + "5" + Blanks(12)}));
    const TLineList lines = BuildLineList(calls);
    EXPECT_EQ(ExportLines(TLineExport(lines)),
              Cp1251({"Апп.АЛ     Прг.АЛ      Исх. трафик    Вх. трафик     Общий трафик",
                      "201" + Blanks(9) + "112" + Blanks(9) + "00:01:05" + Blanks(7) + "00:00:00" +
                          Blanks(8) + "00:01:05" + Blanks(12),
                      "123" + Blanks(21) + "00:00:00" + Blanks(7) + "00:00:45" + Blanks(8) +
                          "00:00:45" + Blanks(9)}));
    const TTrunkList trunks = BuildTrunkList(calls);
    EXPECT_EQ(ExportLines(TTrunkExport(trunks)),
              Cp1251({"Апп.СЛ   Исх. трафик    Вх. трафик     Общий трафик",
                      "(2)05" + Blanks(5) + "00:01:05" + Blanks(7) + "00:00:00" + Blanks(8) +
                          "00:01:05" + Blanks(25),
                      "5" + Blanks(9) + "00:00:00" + Blanks(7) + "00:00:45" + Blanks(8) +
                          "00:00:45" + Blanks(21)}));
}

TEST(Exports, HeaderLengthsAndTheExportOfEmptyGrids) {
    const TCallList calls = Loaded({});
    const TCallRows rows(calls);
    const std::vector<std::string> callLines = ExportLines(TCallExport(rows, Dotted));
    ASSERT_EQ(callLines.size(), 1u);
    EXPECT_EQ(callLines[0].size(), 67u);
    const std::vector<std::string> lineLines = ExportLines(TLineExport(BuildLineList(calls)));
    ASSERT_EQ(lineLines.size(), 1u);
    EXPECT_EQ(lineLines[0].size(), 65u);
    const std::vector<std::string> trunkLines = ExportLines(TTrunkExport(BuildTrunkList(calls)));
    ASSERT_EQ(trunkLines.size(), 1u);
    EXPECT_EQ(trunkLines[0].size(), 51u);
}

// The one empty row of a selection that matched nothing: each empty time cell
// gets its "0".
TEST(Exports, TheEmptyRowOfASelectionThatMatchedNothing) {
    const TCallList calls = Loaded({Outgoing});
    const TCallRows rows = SelectCalls(calls, {"999", false, ""});
    ASSERT_EQ(rows.Count(), 1u);
    EXPECT_EQ(rows.Call(0), nullptr);
    const std::vector<std::string> lines = ExportLines(TCallExport(rows, Dotted));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "  0  0" + Blanks(24));
}

// A cell longer than its column pushes the later columns right; nothing is cut
// and no field lands inside another.
TEST(Exports, ALongCellPushesTheFollowingColumns) {
    const TCallList calls = Loaded({CallLine(201, "12345678", "5", "80", 0, 1, 5),
                                    CallLine(201, "1", "(12)0123456", "", 0, 1, 5)});
    const TCallRows rows(calls);
    const std::vector<std::string> callLines = ExportLines(TCallExport(rows, Dotted));
    EXPECT_EQ(callLines[1], "07.05.2004  12:34:56  00:01:05  201   123456785     80" + Blanks(14));
    EXPECT_EQ(callLines[2],
              "07.05.2004  12:34:56  00:01:05  201   1      (12)0123456" + Blanks(13));
    const TTrunkList trunks = BuildTrunkList(calls);
    const std::vector<std::string> trunkLines = ExportLines(TTrunkExport(trunks));
    EXPECT_EQ(trunkLines[2], "(12)0123456" + std::string("00:00:00") + Blanks(6) + "00:01:05" +
                                 Blanks(8) + "00:01:05" + Blanks(31));
}

TEST(Cells, TheGridsShowTheExportsCells) {
    const TCallList calls = Loaded({Outgoing});
    EXPECT_EQ(CallCell(&calls[0], 0, Dotted), "07.05.2004");
    EXPECT_EQ(CallCell(&calls[0], 1, Dotted), "12:34:56");
    EXPECT_EQ(CallCell(&calls[0], 2, Dotted), "00:01:05");
    EXPECT_EQ(CallCell(&calls[0], 5, Dotted), "(2)05");
    EXPECT_EQ(CallCell(nullptr, 1, Dotted), "");
    const TLineList lines = BuildLineList(calls);
    EXPECT_EQ(LineCell(lines[0], 1), "112");
    EXPECT_EQ(LineCell(lines[0], 4), "00:01:05");
    EXPECT_EQ(text::Cp1251ToUtf8(LineGridTitles()[4]), "Общий трафик");
    EXPECT_EQ(text::Cp1251ToUtf8(TrunkGridTitles()[0]), "Апп. СЛ");
    EXPECT_EQ(text::Cp1251ToUtf8(CallGridTitles()[6]), "Внешний номер");
}

} // namespace
} // namespace tallyvox::report
