#include "settings/OutConfig.h"

#include <gtest/gtest.h>

#include "text/Cp1251.h"

namespace tallyvox {
namespace {

std::vector<std::string> Lines(std::string_view text) {
    const std::vector<std::string_view> views = SplitLines(text);
    return std::vector<std::string>(views.begin(), views.end());
}

TOutConfig Parsed(std::string_view text) {
    TOutConfig config;
    ApplyOutConfig(text, config);
    return config;
}

TEST(SplitLinesTest, AcceptsEveryLineEnd) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Lines("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(Lines("a\r\n"), (V{"a"}));
    EXPECT_EQ(Lines("a\r\r\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(Lines("\n\n"), (V{"", ""}));
    EXPECT_EQ(Lines("\r"), (V{""}));
    EXPECT_TRUE(Lines("").empty());
}

TEST(OutConfigTest, ReadsTheFileAsTheProgramWritesIt) {
    const TOutConfig config = Parsed("TARIF_FNAME=C:\\calls.txt\r\nREALTIME_FNAME=C:\\rt.log\r\n"
                                     "AUTO=AUTOSTART_UNINTERRUPT");
    EXPECT_EQ(config, (TOutConfig{"C:\\calls.txt", "C:\\rt.log", AutoStartContinuous}));
}

TEST(OutConfigTest, LineEndsAndOrderDoNotMatter) {
    const TOutConfig expected{"/data/calls.txt", "/data/rt.log", AutoStartOnce};
    for (const char* text : {
             "TARIF_FNAME=/data/calls.txt\r\nREALTIME_FNAME=/data/rt.log\r\nAUTO=AUTOSTART_1",
             "TARIF_FNAME=/data/calls.txt\nREALTIME_FNAME=/data/rt.log\nAUTO=AUTOSTART_1\n",
             "TARIF_FNAME=/data/calls.txt\rREALTIME_FNAME=/data/rt.log\rAUTO=AUTOSTART_1\r",
             "AUTO=AUTOSTART_1\n\nREALTIME_FNAME=/data/rt.log\nTARIF_FNAME=/data/calls.txt",
         }) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Parsed(text), expected);
    }
}

TEST(OutConfigTest, AutoValuesAreComparedExactly) {
    EXPECT_EQ(Parsed("AUTO=AUTOSTART_1").AutoStart, AutoStartOnce);
    EXPECT_EQ(Parsed("AUTO=AUTOSTART_UNINTERRUPT").AutoStart, AutoStartContinuous);
    for (const char* text : {"AUTO=", "AUTO=AUTOSTART_1 ", "AUTO=autostart_1", "AUTO= AUTOSTART_1",
                             "AUTO=AUTOSTART_2"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Parsed(text).AutoStart, AutoStartNone);
    }
    EXPECT_EQ(Parsed("TARIF_FNAME=x").AutoStart, AutoStartDefault) << "no AUTO= line: unchanged";
}

TEST(OutConfigTest, ValuesAreCutAtTheKeyLengthWhereverTheKeyStands) {
    EXPECT_EQ(Parsed("xxTARIF_FNAME=/calls.txt").TariffFileName, "E=/calls.txt");
    EXPECT_EQ(Parsed("xxTARIF_FNAME=").TariffFileName, "E=");
    EXPECT_EQ(Parsed("xAUTO=").AutoStart, AutoStartNone);
    EXPECT_EQ(Parsed("TARIF_FNAME=/a b ").TariffFileName, "/a b ") << "no trimming";
}

// What a hand edit in a UTF-8 editor adds: a byte-order mark before the first
// key, blanks or tabs before a key.
TEST(OutConfigTest, AByteOrderMarkAndBlanksBeforeAKeyArePassedOver) {
    const TOutConfig expected{"/data/calls.txt", "/data/rt.log", AutoStartOnce};
    for (const char* text : {
             "\xEF\xBB\xBFTARIF_FNAME=/data/calls.txt\r\nREALTIME_FNAME=/data/rt.log\r\n"
             "AUTO=AUTOSTART_1",
             "  TARIF_FNAME=/data/calls.txt\n\tREALTIME_FNAME=/data/rt.log\n \t AUTO=AUTOSTART_1",
             "\xEF\xBB\xBF "
             "AUTO=AUTOSTART_1\rTARIF_FNAME=/data/calls.txt\rREALTIME_FNAME=/data/rt.log",
         }) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Parsed(text), expected);
    }
    EXPECT_EQ(Parsed("TARIF_FNAME=\xEF\xBB\xBF/x").TariffFileName, "\xEF\xBB\xBF/x")
        << "only at the start of the text";
}

TEST(OutConfigTest, LaterLinesWinAndEachKeyIsTestedOnItsOwn) {
    const TOutConfig config = Parsed("TARIF_FNAME=/first\nTARIF_FNAME=/second\n"
                                     "REALTIME_FNAME=/rt AUTO=AUTOSTART_1\nAUTO=AUTOSTART_1");
    EXPECT_EQ(config.TariffFileName, "/second");
    EXPECT_EQ(config.RealTimeFileName, "/rt AUTO=AUTOSTART_1");
    EXPECT_EQ(config.AutoStart, AutoStartOnce);
    EXPECT_EQ(Parsed("REALTIME_FNAME=/rt AUTO=AUTOSTART_1").AutoStart, AutoStartNone)
        << "the AUTO= key inside another line still resets the start mode";
}

TEST(OutConfigTest, FieldsWithoutALineKeepTheirValues) {
    TOutConfig config{"/kept", "/kept.log", AutoStartOnce};
    ApplyOutConfig("REALTIME_FNAME=/new.log\n", config);
    EXPECT_EQ(config, (TOutConfig{"/kept", "/new.log", AutoStartOnce}));
}

TEST(OutConfigTest, FormatsThreeLinesWithNothingAfterTheLast) {
    EXPECT_EQ(FormatOutConfig({"C:\\calls.txt", "", AutoStartDefault}),
              "TARIF_FNAME=C:\\calls.txt\r\nREALTIME_FNAME=\r\nAUTO=");
    EXPECT_EQ(FormatOutConfig({"", "", AutoStartNone}), "TARIF_FNAME=\r\nREALTIME_FNAME=\r\nAUTO=");
    EXPECT_EQ(FormatOutConfig({"a", "b", AutoStartOnce}),
              "TARIF_FNAME=a\r\nREALTIME_FNAME=b\r\nAUTO=AUTOSTART_1");
    EXPECT_EQ(FormatOutConfig({"a", "b", AutoStartContinuous}),
              "TARIF_FNAME=a\r\nREALTIME_FNAME=b\r\nAUTO=AUTOSTART_UNINTERRUPT");
}

TEST(OutConfigTest, FormattedTextReadsBackToTheSameFields) {
    for (const TOutConfig& config :
         {TOutConfig{text::Utf8ToCp1251("C:\\Звонки\\calls.txt"), "D:\\rt.log", AutoStartOnce},
          TOutConfig{"", "", AutoStartContinuous}, TOutConfig{"/a", "", AutoStartNone}}) {
        TOutConfig read{"stale", "stale", AutoStartDefault};
        ApplyOutConfig(FormatOutConfig(config), read);
        EXPECT_EQ(read, config);
    }
}

// The report's tariff table rides on a line of its own: the three keyed lines
// keep their bytes, order and values, and the table reads back.
TEST(OutConfigTest, TheTariffTableLineLeavesTheKeyedLinesAlone) {
    const std::string written = "TARIF_FNAME=a\r\nREALTIME_FNAME=b\r\nAUTO=AUTOSTART_1";
    for (const std::string& before :
         {written, written + "\r\n", written + "\r\nTARIFFS=/old.csv\r\n",
          "TARIFFS=/old.csv\n" + written, std::string()}) {
        const std::string after = WithTariffTable(before, "/t/tariffs.csv");
        EXPECT_EQ(TariffTableOf(after), "/t/tariffs.csv");
        EXPECT_EQ(Parsed(after), Parsed(before));
        EXPECT_EQ(after.find("old.csv"), std::string::npos);
        const std::string without = WithTariffTable(after, "");
        EXPECT_EQ(TariffTableOf(without), "");
        EXPECT_EQ(Parsed(without), Parsed(before));
        if (!before.empty()) {
            EXPECT_EQ(after.substr(0, written.size()), written);
        }
    }
    EXPECT_EQ(WithTariffTable(written, "x"), written + "\r\nTARIFFS=x");
    EXPECT_EQ(TariffTableOf(written), "");
}

// The office directory rides on its own line beside the tariff table's, each
// kept when the other is written.
TEST(OutConfigTest, TheDirectoryLineKeepsTheOthers) {
    const std::string written = "TARIF_FNAME=a\r\nREALTIME_FNAME=b\r\nAUTO=AUTOSTART_1";
    const std::string both = WithDirectory(WithTariffTable(written, "/t.csv"), "/d.csv");
    EXPECT_EQ(both, written + "\r\nTARIFFS=/t.csv\r\nDIRECTORY=/d.csv");
    EXPECT_EQ(DirectoryOf(both), "/d.csv");
    EXPECT_EQ(TariffTableOf(WithDirectory(both, "")), "/t.csv");
    EXPECT_EQ(DirectoryOf(WithTariffTable(both, "/u.csv")), "/d.csv");
    EXPECT_EQ(Parsed(both), Parsed(written));
}

} // namespace
} // namespace tallyvox
