#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>

#include "report/Totals.h"
#include "report/WriteListToFile.h"
#include "tests/kit/TempDir.h"
#include "tests/report/CallLines.h"
#include "text/Cp1251.h"

namespace tallyvox::report {
namespace {

namespace fs = std::filesystem;
using testkit::FileContents;

class WriteListToFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::string> lines;
        for (int i = 0; i < 300; ++i) {
            lines.push_back(CallLine(200 + i % 250, "1", "5", "", 0, 0, 1));
        }
        Calls = Loaded(lines);
        Lines = BuildLineList(Calls);
    }

    void WriteFile(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::string Expected() {
        std::string text;
        for (const std::string& line : ExportLines(TLineExport(Lines))) {
            text += line + "\r\n";
        }
        return text;
    }

    // Every name in the folder, to see that nothing is left beside the target.
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder.Path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    testkit::TTempDir Folder;
    TCallList Calls;
    TLineList Lines;
    int LastErrno = 0;
};

TEST_F(WriteListToFileTest, WritesEveryLineWithCrLfAndReplacesAnExistingFile) {
    const fs::path target = Folder.Path() / "lines.txt";
    WriteFile(target, std::string(100000, 'x'));
    errno = EIO; // an old failure must not make this export look failed
    EXPECT_EQ(WriteListToFile(LastErrno, TLineExport(Lines), target.string()), WriteOk);
    EXPECT_EQ(FileContents(target), Expected());
    EXPECT_EQ(Names(), std::vector<std::string>{"lines.txt"});
    EXPECT_EQ(LastErrno, 0);
}

TEST_F(WriteListToFileTest, ALinkIsFollowedAndADeviceIsWrittenInPlace) {
    const fs::path real = Folder.Path() / "real.txt";
    WriteFile(real, "old");
    fs::create_symlink(real, Folder.Path() / "link.txt");
    EXPECT_EQ(WriteListToFile(LastErrno, TLineExport(Lines), (Folder.Path() / "link.txt").string()),
              WriteOk);
    EXPECT_TRUE(fs::is_symlink(Folder.Path() / "link.txt"));
    EXPECT_EQ(FileContents(real), Expected());
    EXPECT_EQ(WriteListToFile(LastErrno, TLineExport(Lines), "/dev/null"), WriteOk);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(WriteListToFileTest, AFolderThatAdmitsNoNewFileGetsTheTargetWrittenInPlace) {
    const fs::path target = Folder.Path() / "lines.txt";
    WriteFile(target, "old");
    for (int i = 0; i < 100; ++i) { // every name beside the target is taken
        fs::create_directory(Folder.Path() / ("lines.txt.part" + std::to_string(i)));
    }
    errno = EIO;
    EXPECT_EQ(WriteListToFile(LastErrno, TLineExport(Lines), target.string()), WriteOk);
    EXPECT_EQ(FileContents(target), Expected());
}

TEST_F(WriteListToFileTest, FailuresAreReportedWithTheirNumberAndMessage) {
    EXPECT_EQ(WriteListToFile(LastErrno, TLineExport(Lines),
                              (Folder.Path() / "missing" / "lines.txt").string()),
              WriteCannotOpen);
    EXPECT_EQ(LastErrno, ENOENT);
    EXPECT_EQ(text::Cp1251ToUtf8(WriteListMessage(WriteCannotOpen, LastErrno)),
              "Не создать или не открыть файл. errno = " + std::to_string(ENOENT));

    EXPECT_EQ(WriteListToFile(LastErrno, TLineExport(Lines), "/dev/full"), WriteFailed);
    EXPECT_EQ(LastErrno, ENOSPC);
    EXPECT_EQ(text::Cp1251ToUtf8(WriteListMessage(WriteFailed, 28)),
              "Непонятное исключение. errno = 28");
    EXPECT_EQ(text::Cp1251ToUtf8(WriteListMessage(WriteCannotClose, 5)),
              "Не закрыть файл. errno = 5");
    EXPECT_EQ(WriteListMessage(WriteOk, 0), "");
    EXPECT_EQ(text::Cp1251ToUtf8(WriteErrorText()), "Ошибка");
}

// A disk that fills up during the export: the failure is reported and the file
// that was there before is left as it was, with nothing beside it.
TEST_F(WriteListToFileTest, AFullDiskLeavesTheOldFileAndNothingHalfWritten) {
    const fs::path target = Folder.Path() / "lines.txt";
    WriteFile(target, "old");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = WriteListToFile(LastErrno, TLineExport(Lines), target.string());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(result, WriteFailed);
    EXPECT_EQ(LastErrno, EFBIG);
    EXPECT_EQ(FileContents(target), "old");
    EXPECT_EQ(Names(), std::vector<std::string>{"lines.txt"});
}

} // namespace
} // namespace tallyvox::report
