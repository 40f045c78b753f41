#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <cstdint>
#include <fcntl.h>
#include <fstream>
#include <linux/fs.h>
#include <memory>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "exchange/LowLevel.h"
#include "model/FilePath.h"
#include "settings/OutConfig.h"
#include "tests/kit/FileSizeLimit.h"
#include "tests/kit/RecordingNotifier.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/WithoutFileOverride.h"
#include "text/Cp1251.h"

namespace tallyvox {
namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<std::uint8_t>;

const fs::path SettingsFile = "Tallyvox.cfg";
const fs::path OutConfigFile = "TallyvoxOut.cfg";

TBytes Bytes(const fs::path& path) {
    const std::string text = testkit::FileContents(path);
    return TBytes(text.begin(), text.end());
}

std::string Text(const fs::path& path) {
    return testkit::FileContents(path);
}

void Store(const fs::path& path, const TBytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void Store(const fs::path& path, const std::string& text) {
    Store(path, TBytes(text.begin(), text.end()));
}

// 30 settings bytes starting with the port and header bytes, the rest as given.
TBytes SettingsBytes(std::uint8_t port, std::uint8_t header, std::uint8_t filler = 0) {
    TBytes bytes(30, filler);
    bytes[0] = port;
    bytes[1] = header;
    return bytes;
}

class ConfigurationTest : public testing::Test {
protected:
    std::unique_ptr<TLowLevel> Construct() {
        return std::make_unique<TLowLevel>(boost::make_shared<TScaledClock>(100.0),
                                           boost::make_shared<testkit::TRecordingNotifier>());
    }

    testkit::TTempDir Folder;
    testkit::TCurrentDir Current{Folder.Path()};
};

// --- the settings file ---

TEST_F(ConfigurationTest, FirstStartInAnEmptyFolderCreatesTheDefaultSettings) {
    const auto lowLevel = Construct();
    EXPECT_FALSE(lowLevel->FirstRun);
    EXPECT_EQ(lowLevel->ReadSettings(), 1);
    EXPECT_EQ(Bytes(SettingsFile), SettingsBytes(1, 1));
    EXPECT_EQ(lowLevel->PortName, "COM1");
    EXPECT_TRUE(lowLevel->SaveHeader);
    EXPECT_TRUE(lowLevel->FirstRun);
    EXPECT_FALSE(fs::exists(OutConfigFile));
}

TEST_F(ConfigurationTest, ThePortAndHeaderBytesGiveThePortNameAndHeaderFlag) {
    struct TCase {
        std::uint8_t Port;
        std::uint8_t Header;
        const char* PortName;
        bool SaveHeader;
    };
    for (const TCase& c :
         {TCase{8, 2, "COM8", false}, TCase{3, 1, "COM3", true}, TCase{1, 0, "COM1", false},
          TCase{0, 1, "COM", true}, TCase{9, 1, "COM", true}, TCase{255, 255, "COM", false}}) {
        SCOPED_TRACE(c.PortName);
        Store(SettingsFile, SettingsBytes(c.Port, c.Header, 0x5A));
        const auto lowLevel = Construct();
        EXPECT_EQ(lowLevel->ReadSettings(), 1);
        EXPECT_EQ(lowLevel->PortName, c.PortName);
        EXPECT_EQ(lowLevel->SaveHeader, c.SaveHeader);
        EXPECT_FALSE(lowLevel->FirstRun);
        EXPECT_EQ(Bytes(SettingsFile), SettingsBytes(c.Port, c.Header, 0x5A))
            << "reading changes nothing";
    }
}

TEST_F(ConfigurationTest, ASettingsFileOfAnyOtherSizeIsReplacedAndCountsAsAFirstRun) {
    for (const std::size_t size : {31u, 29u, 0u, 2u}) {
        SCOPED_TRACE(size);
        Store(SettingsFile, TBytes(size, 0x03));
        const auto lowLevel = Construct();
        EXPECT_EQ(lowLevel->ReadSettings(), 1);
        EXPECT_EQ(Bytes(SettingsFile), SettingsBytes(1, 1));
        EXPECT_EQ(lowLevel->PortName, "COM1");
        EXPECT_TRUE(lowLevel->SaveHeader);
        EXPECT_TRUE(lowLevel->FirstRun);
    }
}

TEST_F(ConfigurationTest, SavingChangesOnlyThePortAndHeaderBytes) {
    Store(SettingsFile, SettingsBytes(1, 1, 0xA7));
    const auto lowLevel = Construct();
    EXPECT_EQ(lowLevel->WriteSettings("COM3", false), 1);
    EXPECT_EQ(Bytes(SettingsFile), SettingsBytes(3, 0, 0xA7));
    EXPECT_EQ(lowLevel->PortName, "COM3");
    EXPECT_FALSE(lowLevel->SaveHeader);

    EXPECT_EQ(lowLevel->WriteSettings("COM5", true), 1);
    EXPECT_EQ(Bytes(SettingsFile), SettingsBytes(5, 1, 0xA7));
}

TEST_F(ConfigurationTest, SavingWithoutAFileCreatesAllThirtyBytes) {
    const auto lowLevel = Construct();
    EXPECT_EQ(lowLevel->WriteSettings("COM5", false), 1);
    EXPECT_EQ(Bytes(SettingsFile), SettingsBytes(5, 0));
    EXPECT_FALSE(lowLevel->FirstRun);
}

TEST_F(ConfigurationTest, SavingOverAShortFileFillsItUpSoTheNextStartKeepsTheSettings) {
    Store(SettingsFile, TBytes{7});
    const auto saved = Construct();
    EXPECT_EQ(saved->WriteSettings("COM6", false), 1);
    EXPECT_EQ(Bytes(SettingsFile), SettingsBytes(6, 0));

    const auto restarted = Construct();
    EXPECT_EQ(restarted->ReadSettings(), 1);
    EXPECT_EQ(restarted->PortName, "COM6");
    EXPECT_FALSE(restarted->SaveHeader);
    EXPECT_FALSE(restarted->FirstRun);
}

TEST_F(ConfigurationTest, APortNameWithoutADigitAfterComIsRefusedAndNothingChanges) {
    Store(SettingsFile, SettingsBytes(2, 1, 0x11));
    const auto lowLevel = Construct();
    ASSERT_EQ(lowLevel->ReadSettings(), 1);
    for (const char* name : {"COMX", "COM", "", "CO", "/dev/pts/3", "COM 1"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(lowLevel->WriteSettings(name, false), -1);
        EXPECT_EQ(lowLevel->PortName, "COM2");
        EXPECT_TRUE(lowLevel->SaveHeader);
        EXPECT_EQ(Bytes(SettingsFile), SettingsBytes(2, 1, 0x11));
    }
    fs::remove(SettingsFile);
    EXPECT_EQ(lowLevel->WriteSettings("COMX", true), -1);
    EXPECT_FALSE(fs::exists(SettingsFile)) << "no file is created for a refused name";
}

TEST_F(ConfigurationTest, SavedSettingsAreReadAtTheNextStart) {
    const auto first = Construct();
    ASSERT_EQ(first->ReadSettings(), 1);
    ASSERT_EQ(first->WriteSettings("COM7", false), 1);
    const auto second = Construct();
    EXPECT_EQ(second->ReadSettings(), 1);
    EXPECT_EQ(second->PortName, "COM7");
    EXPECT_FALSE(second->SaveHeader);
    EXPECT_FALSE(second->FirstRun);
}

TEST_F(ConfigurationTest, TheSettingsFileStaysInTheStartFolderWhenTheCurrentFolderMoves) {
    const auto lowLevel = Construct();
    const fs::path elsewhere = Folder.Path() / "elsewhere";
    fs::create_directory(elsewhere);
    fs::current_path(elsewhere);
    EXPECT_EQ(lowLevel->WriteSettings("COM4", true), 1);
    EXPECT_EQ(lowLevel->ReadSettings(), 1);
    EXPECT_EQ(Bytes(Folder.Path() / SettingsFile), SettingsBytes(4, 1));
    EXPECT_FALSE(fs::exists(elsewhere / SettingsFile));
    EXPECT_EQ(lowLevel->PortName, "COM4");
}

TEST_F(ConfigurationTest, BothFilesAreFoundInAStartFolderWithACyrillicName) {
    const fs::path startFolder = Folder.Path() / std::u16string(u"Звонки");
    fs::create_directory(startFolder);
    fs::current_path(startFolder);
    Store(OutConfigFile, std::string("TARIF_FNAME=/calls.txt\r\nREALTIME_FNAME=\r\nAUTO="));
    const auto lowLevel = Construct();
    EXPECT_EQ(lowLevel->StartDir, TextOfFilePath(startFolder));
    EXPECT_EQ(lowLevel->TariffFileName, "/calls.txt");
    EXPECT_EQ(lowLevel->ReadSettings(), 1);
    EXPECT_EQ(lowLevel->WriteOutConfig("/other.txt", ""), 1);
    EXPECT_EQ(Bytes(startFolder / SettingsFile), SettingsBytes(1, 1));
    EXPECT_EQ(Text(startFolder / OutConfigFile),
              "TARIF_FNAME=/other.txt\r\nREALTIME_FNAME=\r\nAUTO=");
}

// "é" has no Windows-1251 byte: the start folder's text shows "?" for it, and
// the files must still be found in the folder itself.
TEST_F(ConfigurationTest, BothFilesAreSavedAndReadBackInAStartFolderNamedOutsideWindows1251) {
    const fs::path startFolder = Folder.Path() / std::u16string(u"Café");
    const fs::path elsewhere = Folder.Path() / "elsewhere";
    fs::create_directory(startFolder);
    fs::create_directory(elsewhere);
    fs::current_path(startFolder);
    const auto lowLevel = Construct();
    EXPECT_EQ(lowLevel->StartDir, TextOfFilePath(Folder.Path()) + "/Caf?");
    fs::current_path(elsewhere);
    EXPECT_EQ(lowLevel->ReadSettings(), 1);
    EXPECT_EQ(lowLevel->WriteSettings("COM6", false), 1);
    EXPECT_EQ(lowLevel->WriteOutConfig("/calls.txt", ""), 1);
    EXPECT_EQ(Bytes(startFolder / SettingsFile), SettingsBytes(6, 0));
    EXPECT_EQ(Text(startFolder / OutConfigFile),
              "TARIF_FNAME=/calls.txt\r\nREALTIME_FNAME=\r\nAUTO=");

    fs::current_path(startFolder);
    const auto restarted = Construct();
    EXPECT_EQ(restarted->TariffFileName, "/calls.txt");
    EXPECT_EQ(restarted->ReadSettings(), 1);
    EXPECT_FALSE(restarted->FirstRun);
    EXPECT_EQ(restarted->PortName, "COM6");
    EXPECT_FALSE(restarted->SaveHeader);
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST_F(ConfigurationTest, AStartFolderWhoseNameIsNoTextStillHoldsBothFiles) {
    const fs::path startFolder = Folder.Path() / "\xFF\xFE";
    fs::create_directory(startFolder);
    fs::current_path(startFolder);
    Store(OutConfigFile, std::string("TARIF_FNAME=/calls.txt\r\nREALTIME_FNAME=\r\nAUTO="));
    const auto lowLevel = Construct();
    EXPECT_EQ(lowLevel->TariffFileName, "/calls.txt");
    EXPECT_EQ(lowLevel->ReadSettings(), 1);
    EXPECT_EQ(Bytes(startFolder / SettingsFile), SettingsBytes(1, 1));
}

TEST_F(ConfigurationTest, ASettingsFileThatCanNeitherBeOpenedNorCreatedIsAFailure) {
    fs::create_directories(SettingsFile / "inside");
    const auto lowLevel = Construct();
    EXPECT_EQ(lowLevel->ReadSettings(), -1);
    EXPECT_FALSE(lowLevel->FirstRun);
    EXPECT_EQ(lowLevel->WriteSettings("COM4", false), -1);
    EXPECT_EQ(lowLevel->PortName, "COM4") << "the choice holds for this run all the same";
    EXPECT_FALSE(lowLevel->SaveHeader);
    EXPECT_TRUE(fs::is_directory(SettingsFile / "inside"));
}

// Makes a folder immutable (no file in it can be deleted, even by root) for the
// life of the object; false from Set where the file system or rights do not allow it.
class TImmutableFolder {
public:
    explicit TImmutableFolder(const fs::path& path)
        : Descriptor(open(path.c_str(), O_RDONLY | O_DIRECTORY)) {}
    ~TImmutableFolder() {
        if (Flagged) {
            int flags = 0;
            ioctl(Descriptor, FS_IOC_GETFLAGS, &flags);
            flags &= ~FS_IMMUTABLE_FL;
            ioctl(Descriptor, FS_IOC_SETFLAGS, &flags);
        }
        if (Descriptor >= 0) {
            close(Descriptor);
        }
    }
    TImmutableFolder(const TImmutableFolder&) = delete;
    TImmutableFolder& operator=(const TImmutableFolder&) = delete;

    bool Set() {
        int flags = 0;
        if (Descriptor < 0 || ioctl(Descriptor, FS_IOC_GETFLAGS, &flags) != 0) {
            return false;
        }
        flags |= FS_IMMUTABLE_FL;
        Flagged = ioctl(Descriptor, FS_IOC_SETFLAGS, &flags) == 0;
        return Flagged;
    }

private:
    int Descriptor;
    bool Flagged = false;
};

TEST_F(ConfigurationTest, ADamagedSettingsFileThatCannotBeDeletedIsAFailureNotAnEndlessLoop) {
    Store(SettingsFile, TBytes(31, 0x02));
    const auto lowLevel = Construct();
    TImmutableFolder immutable(Folder.Path());
    if (!immutable.Set()) {
        GTEST_SKIP() << "this file system or user cannot make a folder immutable";
    }
    EXPECT_EQ(lowLevel->ReadSettings(), -1);
    EXPECT_FALSE(lowLevel->FirstRun);
    EXPECT_EQ(Bytes(SettingsFile), TBytes(31, 0x02));
}

// --- the output configuration file ---

TEST_F(ConfigurationTest, WithoutAnOutputConfigurationTheNamesStayEmpty) {
    const auto lowLevel = Construct();
    EXPECT_EQ(lowLevel->ReadOutConfig(), -2);
    EXPECT_EQ(lowLevel->TariffFileName, "");
    EXPECT_EQ(lowLevel->RealTimeFileName, "");
    EXPECT_EQ(lowLevel->AutoStart, AutoStartDefault);
    EXPECT_FALSE(fs::exists(OutConfigFile)) << "reading creates no file";
}

TEST_F(ConfigurationTest, TheConstructorReadsTheOutputConfiguration) {
    Store(OutConfigFile,
          std::string("TARIF_FNAME=/data/calls.txt\r\nREALTIME_FNAME=/data/rt.log\r\n"
                      "AUTO=AUTOSTART_UNINTERRUPT"));
    const auto lowLevel = Construct();
    EXPECT_EQ(lowLevel->TariffFileName, "/data/calls.txt");
    EXPECT_EQ(lowLevel->RealTimeFileName, "/data/rt.log");
    EXPECT_EQ(lowLevel->AutoStart, AutoStartContinuous);
}

TEST_F(ConfigurationTest, ChoosingACallFileWritesExactlyThreeLines) {
    const auto lowLevel = Construct();
    const std::string callFile = TextOfFilePath(Folder.Path() / "calls.txt");
    EXPECT_EQ(lowLevel->WriteOutConfig(callFile, lowLevel->RealTimeFileName), 1);
    EXPECT_EQ(Text(OutConfigFile), "TARIF_FNAME=" + callFile + "\r\nREALTIME_FNAME=\r\nAUTO=");
    EXPECT_EQ(lowLevel->TariffFileName, "") << "the caller assigns the field itself";
}

TEST_F(ConfigurationTest, TheReportsTariffTableLineSurvivesARewrite) {
    Store(OutConfigFile, "TARIF_FNAME=/old.txt\r\nREALTIME_FNAME=\r\nAUTO=\r\nTARIFFS=/t.csv");
    const auto lowLevel = Construct();
    EXPECT_EQ(lowLevel->TariffFileName, "/old.txt");
    EXPECT_EQ(lowLevel->WriteOutConfig("/new.txt", ""), 1);
    EXPECT_EQ(Text(OutConfigFile),
              "TARIF_FNAME=/new.txt\r\nREALTIME_FNAME=\r\nAUTO=\r\nTARIFFS=/t.csv");
}

// The alert rules and directory lines, added by hand, survive as the tariff
// table's does, each after the keyed lines.
TEST_F(ConfigurationTest, TheRememberedFileLinesSurviveARewrite) {
    const std::string keyed = "TARIF_FNAME=/new.txt\r\nREALTIME_FNAME=\r\nAUTO=";
    for (const auto& [extra, kept] : std::vector<std::pair<std::string, std::string>>{
             {"\r\nALERTS=/r.toml", "\r\nALERTS=/r.toml"},
             {"\r\nALERTS=/r.toml\r\nTARIFFS=/t.csv", "\r\nTARIFFS=/t.csv\r\nALERTS=/r.toml"},
             {"\r\nDIRECTORY=/d.csv\r\nTARIFFS=/t.csv\r\nALERTS=/r.toml",
              "\r\nTARIFFS=/t.csv\r\nALERTS=/r.toml\r\nDIRECTORY=/d.csv"}}) {
        Store(OutConfigFile, "TARIF_FNAME=/old.txt\r\nREALTIME_FNAME=\r\nAUTO=" + extra);
        const auto lowLevel = Construct();
        EXPECT_EQ(lowLevel->WriteOutConfig("/new.txt", ""), 1);
        EXPECT_EQ(Text(OutConfigFile), keyed + kept);
    }
}

TEST_F(ConfigurationTest, ARecognisedStartModeSurvivesEveryRewrite) {
    for (const char* mode : {"AUTOSTART_1", "AUTOSTART_UNINTERRUPT"}) {
        SCOPED_TRACE(mode);
        Store(OutConfigFile,
              std::string("TARIF_FNAME=/old.txt\r\nREALTIME_FNAME=\r\nAUTO=") + mode);
        const auto lowLevel = Construct();
        EXPECT_EQ(lowLevel->WriteOutConfig("/new.txt", ""), 1);
        EXPECT_EQ(lowLevel->WriteOutConfig("/newer.txt", "/rt.log"), 1);
        EXPECT_EQ(Text(OutConfigFile),
                  std::string("TARIF_FNAME=/newer.txt\r\nREALTIME_FNAME=/rt.log\r\nAUTO=") + mode);
    }
}

TEST_F(ConfigurationTest, AnUnrecognisedStartModeIsRewrittenAsABareAuto) {
    for (const char* line :
         {"AUTO=AUTOSTART_1 ", "AUTO=autostart_1", "AUTO=AUTOSTART_UNINTERRUPT\t"}) {
        SCOPED_TRACE(line);
        Store(OutConfigFile, std::string("TARIF_FNAME=/calls.txt\r\nREALTIME_FNAME=\r\n") + line);
        const auto lowLevel = Construct();
        EXPECT_EQ(lowLevel->AutoStart, AutoStartNone);
        EXPECT_EQ(lowLevel->WriteOutConfig(lowLevel->TariffFileName, lowLevel->RealTimeFileName),
                  1);
        EXPECT_EQ(Text(OutConfigFile), "TARIF_FNAME=/calls.txt\r\nREALTIME_FNAME=\r\nAUTO=");
    }
}

TEST_F(ConfigurationTest, LfLineEndsAndAnotherOrderReadTheSame) {
    for (const char* text : {"TARIF_FNAME=/c.txt\r\nREALTIME_FNAME=/r.log\r\nAUTO=AUTOSTART_1",
                             "TARIF_FNAME=/c.txt\nREALTIME_FNAME=/r.log\nAUTO=AUTOSTART_1\n",
                             "AUTO=AUTOSTART_1\nREALTIME_FNAME=/r.log\nTARIF_FNAME=/c.txt"}) {
        SCOPED_TRACE(text);
        Store(OutConfigFile, std::string(text));
        const auto lowLevel = Construct();
        EXPECT_EQ(lowLevel->ReadOutConfig(), 1);
        EXPECT_EQ(lowLevel->TariffFileName, "/c.txt");
        EXPECT_EQ(lowLevel->RealTimeFileName, "/r.log");
        EXPECT_EQ(lowLevel->AutoStart, AutoStartOnce);
    }
}

TEST_F(ConfigurationTest, CyrillicNamesAreKeptAsWindows1251Bytes) {
    const std::string name = text::Utf8ToCp1251("C:\\Звонки\\Отдел.txt");
    const auto lowLevel = Construct();
    EXPECT_EQ(lowLevel->WriteOutConfig(name, ""), 1);
    EXPECT_EQ(Text(OutConfigFile), "TARIF_FNAME=" + name + "\r\nREALTIME_FNAME=\r\nAUTO=");
    const auto restarted = Construct();
    EXPECT_EQ(restarted->TariffFileName, name);
}

TEST_F(ConfigurationTest, TheOutputConfigurationStaysInTheStartFolder) {
    const auto lowLevel = Construct();
    const fs::path elsewhere = Folder.Path() / "elsewhere";
    fs::create_directory(elsewhere);
    fs::current_path(elsewhere);
    EXPECT_EQ(lowLevel->WriteOutConfig("/calls.txt", ""), 1);
    EXPECT_TRUE(fs::exists(Folder.Path() / OutConfigFile));
    EXPECT_FALSE(fs::exists(elsewhere / OutConfigFile));
    EXPECT_EQ(fs::current_path(), Folder.Path()) << "the start folder is current again";

    fs::current_path(elsewhere);
    EXPECT_EQ(lowLevel->ReadOutConfig(), 1);
    EXPECT_EQ(lowLevel->TariffFileName, "/calls.txt");
}

// A first run sets the output configuration aside instead of deleting it, so
// that the call file name and the automatic start can be had back.
TEST_F(ConfigurationTest, SettingAsideKeepsTheOutputConfigurationAsBak) {
    const std::string kept = "TARIF_FNAME=/calls.txt\r\nREALTIME_FNAME=\r\nAUTO=AUTOSTART_1";
    Store(OutConfigFile, kept);
    Store(fs::path("TallyvoxOut.cfg.bak"), std::string("an older one"));
    const auto lowLevel = Construct();
    fs::current_path(Folder.Path().parent_path());
    EXPECT_EQ(lowLevel->SetAsideOutConfig(), 1);
    EXPECT_FALSE(fs::exists(Folder.Path() / OutConfigFile));
    EXPECT_EQ(Text(Folder.Path() / "TallyvoxOut.cfg.bak"), kept);
    EXPECT_EQ(lowLevel->SetAsideOutConfig(), 1) << "nothing to set aside";
    EXPECT_EQ(Text(Folder.Path() / "TallyvoxOut.cfg.bak"), kept);
}

TEST_F(ConfigurationTest, AnOutputConfigurationThatCannotBeWrittenIsReported) {
    fs::create_directories(OutConfigFile / "inside");
    const auto lowLevel = Construct();
    EXPECT_EQ(lowLevel->ReadOutConfig(), -1) << "a folder of that name cannot be read";
    EXPECT_EQ(lowLevel->WriteOutConfig("/calls.txt", ""), -2);
    EXPECT_TRUE(fs::is_directory(OutConfigFile / "inside"));
}

// Both files are replaced as a whole or not at all: a full disk in the middle of
// a rewrite, or an old file that cannot be read, leaves the old bytes in place;
// the next rewrite that can go through writes the whole file.
TEST_F(ConfigurationTest, AFailedRewriteLeavesEitherFileAsItWas) {
    const std::string lines = "TARIF_FNAME=/calls.txt\r\nREALTIME_FNAME=/rt.txt\r\n"
                              "AUTO=AUTOSTART_1\r\nTARIFFS=/tariffs.csv";
    const TBytes settings = SettingsBytes(3, 1, 0x55);
    Store(OutConfigFile, lines);
    Store(SettingsFile, settings);
    const auto lowLevel = Construct();
    ASSERT_EQ(lowLevel->ReadSettings(), 1);
    {
        const testkit::TFileSizeLimit fullDisk(20);
        EXPECT_EQ(lowLevel->WriteOutConfig("/other.txt", "/rt.txt"), -2);
        EXPECT_EQ(lowLevel->WriteSettings("COM5", false), -1);
    }
    EXPECT_EQ(Text(OutConfigFile), lines);
    EXPECT_EQ(Bytes(SettingsFile), settings);

    fs::permissions(OutConfigFile, fs::perms::none);
    fs::permissions(SettingsFile, fs::perms::owner_write);
    {
        const testkit::TWithoutFileOverride asAUser;
        EXPECT_EQ(lowLevel->WriteOutConfig("/other.txt", "/rt.txt"), -1);
        EXPECT_EQ(lowLevel->WriteSettings("COM5", false), -1);
        const auto restarted = Construct();
        EXPECT_EQ(restarted->ReadSettings(), -1) << "no first run over a file that is there";
        EXPECT_FALSE(restarted->FirstRun);
    }
    fs::permissions(OutConfigFile, fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(SettingsFile, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Text(OutConfigFile), lines);
    EXPECT_EQ(Bytes(SettingsFile), settings);

    EXPECT_EQ(lowLevel->WriteOutConfig("/other.txt", "/rt.txt"), 1);
    EXPECT_EQ(lowLevel->WriteSettings("COM5", false), 1);
    EXPECT_EQ(Text(OutConfigFile), "TARIF_FNAME=/other.txt\r\nREALTIME_FNAME=/rt.txt\r\n"
                                   "AUTO=AUTOSTART_1\r\nTARIFFS=/tariffs.csv");
    TBytes saved = settings;
    saved[0] = 5;
    saved[1] = 0;
    EXPECT_EQ(Bytes(SettingsFile), saved);
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder.Path()), fs::directory_iterator()), 2)
        << "nothing is left beside them";
}

} // namespace
} // namespace tallyvox
