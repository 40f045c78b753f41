#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "model/FilePath.h"
#include "report/FileBlocks.h"
#include "tests/kit/TempDir.h"
#include "tests/report/CallLines.h"
#include "text/Cp1251.h"

namespace tallyvox::report {
namespace {

const std::string Example = CallLine(201, "112", "(2)05", "123456", 0, 1, 5);

std::string WithColumns(std::string line, std::size_t column, const std::string& text) {
    return line.replace(column - 1, text.size(), text);
}

// Header lines, short lines and lines that do not parse are left out of the calls,
// and only the lines under 30 characters are left out of the count.
TEST(LoadCallText, KeepsOnlyCallsAndCountsLinesOfThirtyCharactersOrMore) {
    const std::vector<std::string> lines{
        "       Данные на  07-05-2004 09:05:03 ", // header: blank first, counted
        "       Начало         Продолжит   Абонент      СЛ     Номер",
        "short line",                                       // removed, not counted
        Example.substr(0, 46),                              // counted, not parsed
        Example.substr(0, 47),                              // a call
        WithColumns(Example, 4, "13"),                      // month 13: dropped
        WithColumns(Example, 12, "24"),                     // hour 24: dropped
        WithColumns(Example, 26, "O1"),                     // a letter: dropped
        WithColumns(WithColumns(Example, 3, "*"), 14, "*"), // marked separators: a call
        Example,
    };
    std::vector<std::string> cp1251;
    for (const std::string& line : lines) {
        cp1251.push_back(text::Utf8ToCp1251(line));
    }
    const TCallList calls = Loaded(cp1251);
    EXPECT_EQ(calls.LineCount(), 9u);
    EXPECT_EQ(LineCountCaption(calls), text::Utf8ToCp1251("Кол-во строк: 9"));
    ASSERT_EQ(calls.Count(), 3u);
    EXPECT_EQ(calls[0].Trunk, "(2"); // cut after its second character
    EXPECT_EQ(calls[0].DialledNumber, "");
    EXPECT_EQ(calls[2].DialledNumber, "123456");
}

TEST(LoadCallText, ReadsTheFieldsByTheirPlaces) {
    struct TCase {
        std::string Line;
        std::string HardwareLine, ProgramNumber, Trunk, DialledNumber;
    };
    const std::vector<TCase> cases{
        {Example, "201", "112", "(2)05", "123456"},
        {WithColumns(Example, 38, "  21"), "201", "21", "(2)05", "123456"},
        {WithColumns(Example, 38, "    "), "201", "", "(2)05", "123456"},
        {WithColumns(Example, 34, " 5 "), " 5 ", "112", "(2)05", "123456"},
        {CallLine(23, "1120", "5", "", 0, 1, 5), "23(", "120", "5", ""},
        {CallLine(1234, "1120", "5", "", 0, 1, 5), "123", "(1120", "5", ""},
        {CallLine(201, "-1", "5", "", 0, 1, 5), "201", "", "5", ""},
        {CallLine(201, "112", "", "8123", 0, 1, 5), "201", "112", "", "8123"}, // no trunk
        {CallLine(201, "112", "", "", 0, 1, 5), "201", "112", "", ""},
        {CallLine(201, "112", "7", "12 34  56", 0, 1, 5), "201", "112", "7", "123456"},
        {Example.substr(0, 42) + std::string(10, ' '), "201", "112", "", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Line);
        const TCallList calls = Loaded({c.Line});
        ASSERT_EQ(calls.Count(), 1u);
        EXPECT_EQ(calls[0].HardwareLine, c.HardwareLine);
        EXPECT_EQ(calls[0].ProgramNumber, c.ProgramNumber);
        EXPECT_EQ(calls[0].Trunk, c.Trunk);
        EXPECT_EQ(calls[0].DialledNumber, c.DialledNumber);
    }
}

TEST(LoadCallText, TakesTheDateAndTheDuration) {
    const TCallList calls = Loaded({CallLine(201, "112", "5", "", 23, 59, 58), Example});
    ASSERT_EQ(calls.Count(), 2u);
    EXPECT_EQ(calls[0].Start, (TDateTime{2004, 5, 7, 12, 34, 56}));
    EXPECT_EQ(calls[0].Duration(), (TDateTime{1900, 1, 1, 23, 59, 58}));
    EXPECT_EQ(calls[0].TotalSeconds, 23 * 3600 + 59 * 60 + 58);
    EXPECT_TRUE(calls[0].IsIncoming());
    EXPECT_FALSE(calls[1].IsIncoming());
    EXPECT_EQ(Loaded({CallLine(201, "112", "5", "", 0, 0, 0)})[0].TotalSeconds, 0);
}

// Files from other systems end their lines with LF or CR alone, and a file is
// read in blocks that may end anywhere, a CR LF pair included.
TEST(LoadCallText, AnyLineEndAndAnyBlockBoundaryGiveTheSameCalls) {
    const std::string second = CallLine(202, "113", "6", "", 0, 0, 7);
    const std::string text = Example + "\r\n" + second + "\n" + Example + "\r" + second + "\r\n" +
                             std::string(35, 'x') + "\r\n" + Example;
    for (const std::size_t block : {std::size_t{1}, std::size_t{2}, std::size_t{77}, text.size()}) {
        SCOPED_TRACE(block);
        TCallTextLoader loader;
        for (std::size_t at = 0; at < text.size(); at += block) {
            loader.Feed(std::string_view(text).substr(at, block));
        }
        const TCallList calls = loader.Finish();
        EXPECT_EQ(calls.LineCount(), 6u);
        ASSERT_EQ(calls.Count(), 5u);
        EXPECT_EQ(calls[1].HardwareLine, "202");
        EXPECT_EQ(calls[3].HardwareLine, "202");
        EXPECT_EQ(calls[4].DialledNumber, "123456");
    }
}

TEST(LoadCallFile, ReadsAFileAndReportsOneThatCannotBeRead) {
    testkit::TTempDir folder;
    const std::string name = (folder.Path() / "calls.txt").string();
    {
        std::FILE* file = std::fopen(name.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs((Example + "\r\n" + Example + "\r\n").c_str(), file);
        std::fclose(file);
    }
    EXPECT_EQ(LoadCallFile(name).Count(), 2u);
    try {
        LoadCallFile((folder.Path() / "missing.txt").string());
        FAIL() << "a missing file loaded";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), ENOENT);
    }
    EXPECT_THROW(LoadCallFile(folder.Path().string()), std::system_error); // a folder
}

// A name outside every narrow code page is opened by its own name (the wide one
// on Windows), and a file is read from offsets past 2 GB (a sparse file: the
// lines stand after a hole of 2 GB and a bit).
TEST(LoadCallFile, OpensAnyNameAndReadsPastTwoGigabytes) {
    testkit::TTempDir folder;
    const std::string lines = Example + "\r\n" + Example + "\r\n";
    const std::filesystem::path named = folder.Path() / std::filesystem::path(u8"звонки ☎.txt");
    {
        std::FILE* file = OpenFile(named, "wb");
        ASSERT_NE(file, nullptr);
        std::fputs(lines.c_str(), file);
        std::fclose(file);
    }
    EXPECT_EQ(LoadCallFile(named).Count(), 2u);

    const std::filesystem::path sparse = folder.Path() / "sparse.txt";
    const std::uint64_t at = (std::uint64_t{1} << 31) + 1000;
    {
        std::FILE* file = OpenFile(sparse, "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_TRUE(SeekFile(file, at));
        std::fputs(lines.c_str(), file);
        std::fclose(file);
    }
    const std::uint64_t size = FileSizeOrZero(sparse);
    ASSERT_EQ(size, at + lines.size());
    std::string read;
    ReadFileBlocks(sparse, at, UINT64_MAX, [&read](std::string_view bytes) { read += bytes; });
    EXPECT_EQ(read, lines);
    EXPECT_EQ(NextLineStart(sparse, at + 5, size), at + Example.size() + 2);
}

// Room for calls is reserved by what the first block promises: a huge text
// that is no call file reserves next to nothing instead of failing.
TEST(TCallTextLoader, ReservesByTheFirstBlockNotByTheSizeAlone) {
    TCallTextLoader loader(std::uint64_t{1} << 40);
    const std::string junk(1 << 20, 'x');
    loader.Feed(junk + "\n");
    loader.Feed(Example + "\n");
    EXPECT_EQ(loader.Finish().Count(), 1u);
}

} // namespace
} // namespace tallyvox::report
