#include "callfile/CallFileWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "model/FilePath.h"
#include "tests/kit/FileSizeLimit.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/WaitUntil.h"
#include "text/Cp1251.h"

namespace tallyvox::callfile {
namespace {

namespace fs = std::filesystem;

void Store(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class CallFileWriterTest : public testing::Test {
protected:
    testkit::TTempDir Folder;
    TCallFileWriter Writer;
    std::string Text(const fs::path& path) const { return TextOfFilePath(path); }
};

TEST_F(CallFileWriterTest, AppendsHeaderAndLinesWithCrLfAndNeverTruncates) {
    const fs::path file = Folder.Path() / "calls.txt";
    Store(file, "earlier line\r\n");
    EXPECT_EQ(Writer.WriteHeader(Text(file), " date ", " title"), 1);
    EXPECT_EQ(Writer.AppendLine(Text(file), "first"), 1);
    EXPECT_EQ(Writer.AppendLine(Text(file), "second\n"), 1) << "a line is written as given";
    EXPECT_EQ(testkit::FileContents(file),
              "earlier line\r\n date \r\n title\r\nfirst\r\nsecond\n\r\n");
    EXPECT_EQ(Writer.PendingCount(), 0u);
}

TEST_F(CallFileWriterTest, CreatesAMissingFileUnderItsCyrillicName) {
    const fs::path file = Folder.Path() / std::u16string(u"звонки.txt");
    const std::string name = TextOfFilePath(file);
    EXPECT_EQ(name.back(), 't');
    EXPECT_NE(name.find(text::Utf8ToCp1251("звонки")), std::string::npos);
    EXPECT_EQ(Writer.AppendLine(name, "line"), 1);
    EXPECT_EQ(testkit::FileContents(file), "line\r\n");
}

TEST_F(CallFileWriterTest, LinesThatCannotBeWrittenWaitAndLandFirstInOrder) {
    const fs::path folder = Folder.Path() / "not yet";
    const fs::path file = folder / "calls.txt";
    EXPECT_EQ(Writer.AppendLine(Text(file), "one"), -1);
    EXPECT_EQ(Writer.WriteHeader(Text(file), " two", " three"), -1);
    EXPECT_EQ(Writer.AppendLine(Text(file), "four"), -1);
    EXPECT_EQ(Writer.PendingCount(), 4u);
    EXPECT_FALSE(fs::exists(file));

    fs::create_directory(folder);
    EXPECT_EQ(Writer.AppendLine(Text(file), "five"), 1);
    EXPECT_EQ(Writer.PendingCount(), 0u);
    EXPECT_EQ(testkit::FileContents(file), "one\r\n two\r\n three\r\nfour\r\nfive\r\n");
}

TEST_F(CallFileWriterTest, APathThatIsAFolderKeepsTheLinesUntilItIsAFileAgain) {
    const fs::path file = Folder.Path() / "calls.txt";
    fs::create_directory(file);
    EXPECT_EQ(Writer.AppendLine(Text(file), "kept 1"), -1);
    EXPECT_EQ(Writer.AppendLine(Text(file), "kept 2"), -1);
    EXPECT_EQ(Writer.PendingCount(), 2u);

    fs::remove(file);
    Store(file, "old\r\n");
    EXPECT_EQ(Writer.AppendLine(Text(file), "new"), 1);
    EXPECT_EQ(testkit::FileContents(file), "old\r\nkept 1\r\nkept 2\r\nnew\r\n");
}

// What a forwarder of the calls relies on: every line that reaches the file,
// held ones when they finally land, once each, in the file's order, with the
// offset at which it stands there.
TEST_F(CallFileWriterTest, TheObserverSeesEachLineThatReachesTheFileOnceWithItsOffset) {
    struct TSeen : TAppendObserver {
        std::vector<std::pair<std::string, std::uintmax_t>> Lines;
        void LineAppended(const std::string&, const std::string& line,
                          std::uintmax_t offset) override {
            Lines.emplace_back(line, offset);
        }
    } seen;
    Writer.SetObserver(&seen);
    const fs::path file = Folder.Path() / "calls.txt";
    Store(file, "old\r\n");
    Writer.WriteHeader(Text(file), "date", "title");
    fs::rename(file, Folder.Path() / "moved");
    fs::create_directory(file);
    Writer.AppendLine(Text(file), "held");
    fs::remove(file);
    Writer.AppendLine(Text(file), "after");
    Writer.SetObserver(nullptr);
    Writer.AppendLine(Text(file), "unseen");

    const std::vector<std::pair<std::string, std::uintmax_t>> expected{
        {"date", 5}, {"title", 11}, {"held", 0}, {"after", 6}};
    EXPECT_EQ(seen.Lines, expected);
    EXPECT_EQ(testkit::FileContents(file), "held\r\nafter\r\nunseen\r\n");
}

TEST_F(CallFileWriterTest, HeldLinesStayWithTheirFileWhenAnotherFileIsChosen) {
    const fs::path folder = Folder.Path() / "not yet";
    const fs::path first = folder / "first.txt";
    const fs::path second = Folder.Path() / "second.txt";
    EXPECT_EQ(Writer.AppendLine(Text(first), "a1"), -1);
    EXPECT_EQ(Writer.AppendLine(Text(first), "a2"), -1);

    EXPECT_EQ(Writer.WriteHeader(Text(second), " b date", " b title"), 1);
    EXPECT_EQ(Writer.AppendLine(Text(second), "b1"), 1);
    EXPECT_EQ(testkit::FileContents(second), " b date\r\n b title\r\nb1\r\n");
    EXPECT_EQ(Writer.PendingCount(), 2u) << "still held for the first file";

    fs::create_directory(folder);
    EXPECT_EQ(Writer.AppendLine(Text(second), "b2"), 1);
    EXPECT_EQ(Writer.PendingCount(), 0u);
    EXPECT_EQ(testkit::FileContents(first), "a1\r\na2\r\n");
    EXPECT_EQ(testkit::FileContents(second), " b date\r\n b title\r\nb1\r\nb2\r\n");
}

TEST_F(CallFileWriterTest, RescueGivesEachFilesHeldLinesAFileOfTheirOwn) {
    const fs::path first = Folder.Path() / "gone" / "first.txt";
    const fs::path second = Folder.Path() / "second.txt";
    fs::create_directory(second);
    Writer.AppendLine(Text(first), "a1");
    Writer.AppendLine(Text(second), "b1");
    Writer.AppendLine(Text(first), "a2");
    const fs::path rescueFolder = Folder.Path() / "start";

    // A start folder that cannot take them either: the lines stay held, no piece is left.
    std::vector<TRescue> rescues = Writer.Rescue(rescueFolder, "2026-12-08_21-30-00");
    ASSERT_EQ(rescues.size(), 2u);
    EXPECT_TRUE(rescues[0].RescueFile.empty());
    EXPECT_EQ(Writer.PendingCount(), 3u);

    fs::create_directory(rescueFolder);
    Store(rescueFolder / "TallyvoxRescue-2026-12-08_21-30-00.txt", "an earlier rescue\r\n");
    rescues = Writer.Rescue(rescueFolder, "2026-12-08_21-30-00");
    ASSERT_EQ(rescues.size(), 2u);
    EXPECT_EQ(Writer.PendingCount(), 0u);
    EXPECT_EQ(rescues[0].FileName, Text(first));
    EXPECT_EQ(rescues[0].LineCount, 2u);
    EXPECT_EQ(rescues[0].RescueFile, rescueFolder / "TallyvoxRescue-2026-12-08_21-30-00-2.txt");
    EXPECT_EQ(testkit::FileContents(rescues[0].RescueFile), "a1\r\na2\r\n");
    EXPECT_EQ(rescues[1].FileName, Text(second));
    EXPECT_EQ(testkit::FileContents(rescues[1].RescueFile), "b1\r\n");
    EXPECT_EQ(testkit::FileContents(rescueFolder / "TallyvoxRescue-2026-12-08_21-30-00.txt"),
              "an earlier rescue\r\n")
        << "never written over";
}

TEST_F(CallFileWriterTest, AppendProblemTellsTheSystemsReasonAndLeavesNoTrace) {
    const fs::path folder = Folder.Path() / "a folder";
    fs::create_directory(folder);
    const fs::path fresh = Folder.Path() / "fresh.txt";
    const fs::path existing = Folder.Path() / "existing.txt";
    Store(existing, "kept\r\n");

    EXPECT_EQ(AppendProblem(Text(fresh)), "");
    EXPECT_FALSE(fs::exists(fresh)) << "the check creates nothing";
    EXPECT_EQ(AppendProblem(Text(existing)), "");
    EXPECT_EQ(testkit::FileContents(existing), "kept\r\n");
    // The system's reason in the user's words, never its English text.
    EXPECT_EQ(AppendProblem(Text(folder)), text::Utf8ToCp1251("это папка, а не файл"));
    EXPECT_EQ(AppendProblem(Text(Folder.Path() / "missing" / "calls.txt")),
              text::Utf8ToCp1251("папка не найдена"));
}

// Another writer (the collector on the same file) creates the file while the
// check looks at it: whichever of the two creates it, the other writer's file
// and its line stay. A check that took the file for its own would remove it.
TEST_F(CallFileWriterTest, AppendProblemNeverRemovesAFileAnotherWriterCreated) {
    const fs::path path = Folder.Path() / "calls.txt";
    int theirs = 0;
    for (int round = 0; round < 2000; ++round) {
        fs::remove(path);
        std::atomic<bool> go{false};
        bool created = false;
        std::thread other([&] {
            while (!go) {
            }
            if (std::FILE* file = std::fopen(path.c_str(), "wbx")) {
                created = std::fputs("line\r\n", file) >= 0;
                std::fclose(file);
            }
        });
        go = true;
        const std::string problem = AppendProblem(Text(path));
        other.join();
        ASSERT_EQ(problem, "");
        if (created) {
            ++theirs;
            ASSERT_EQ(testkit::FileContents(path), "line\r\n") << "round " << round;
        }
    }
    EXPECT_GT(theirs, 0);
}

std::string NumberedLine(int i) {
    return std::to_string(i) + " " + std::string(i % 150, 'x');
}

// The child appends numbered lines of varied length until it is killed.
[[noreturn]] void AppendForever(const std::string& fileName) {
    TCallFileWriter writer;
    for (int i = 0;; ++i) {
        writer.AppendLine(fileName, NumberedLine(i));
    }
}

void WaitUntilNotEmpty(const fs::path& file) {
    const auto written = [&file] {
        std::error_code error;
        return fs::file_size(file, error) > 0 && !error;
    };
    ASSERT_TRUE(testkit::WaitUntil(written, std::chrono::seconds(10))) << "the child never wrote";
}

// The numbered lines from 0 on, each with its CR LF. A kill may cut the write of
// the last one short (the system stops a write at a page boundary once the process
// is killed): that torn piece is returned and must be the start of the next line.
std::string CompleteLinesAndTornRest(const std::string& contents) {
    std::size_t start = 0;
    int i = 0;
    for (;; ++i) {
        const std::size_t end = contents.find("\r\n", start);
        if (end == std::string::npos) {
            break;
        }
        EXPECT_EQ(contents.substr(start, end - start), NumberedLine(i));
        start = end + 2;
    }
    const std::string torn = contents.substr(start);
    EXPECT_EQ(torn, (NumberedLine(i) + "\r\n").substr(0, torn.size()))
        << "a torn piece of the next line";
    return torn;
}

TEST_F(CallFileWriterTest, AProcessKilledWhileAppendingLeavesNoLineGluedToAnother) {
    std::mt19937 random(std::random_device{}());
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const fs::path file = Folder.Path() / ("killed" + std::to_string(round) + ".txt");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            AppendForever(Text(file));
        }
        WaitUntilNotEmpty(file);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        const std::string killed = testkit::FileContents(file);
        const std::string torn = CompleteLinesAndTornRest(killed);

        // The next program run starts its first line on a line of its own.
        TCallFileWriter restarted;
        EXPECT_EQ(restarted.AppendLine(Text(file), "after"), 1);
        const std::string missingEnd = torn.empty() ? "" : torn.back() == '\r' ? "\n" : "\r\n";
        EXPECT_EQ(testkit::FileContents(file), killed + missingEnd + "after\r\n");
    }
}

TEST_F(CallFileWriterTest, AFileEndingInATornLineGetsItsLineEndBeforeTheNextLine) {
    struct TCase {
        const char* Before;
        const char* After;
    };
    for (const TCase& c :
         {TCase{"01-02-2004 12:3", "01-02-2004 12:3\r\nnew\r\nnext\r\n"},
          TCase{"whole\r", "whole\r\nnew\r\nnext\r\n"}, TCase{"whole\n", "whole\nnew\r\nnext\r\n"},
          TCase{"", "new\r\nnext\r\n"}}) {
        SCOPED_TRACE(c.Before);
        const fs::path file = Folder.Path() / "calls.txt";
        Store(file, c.Before);
        TCallFileWriter writer;
        EXPECT_EQ(writer.AppendLine(Text(file), "new"), 1);
        EXPECT_EQ(writer.AppendLine(Text(file), "next"), 1);
        EXPECT_EQ(testkit::FileContents(file), c.After);
    }
}

TEST_F(CallFileWriterTest, ALineCutShortByAFullDiskLeavesNoPieceAndIsWrittenWholeLater) {
    const fs::path file = Folder.Path() / "calls.txt";
    Store(file, "old\r\n");
    {
        const testkit::TFileSizeLimit nearlyFull(5 + 10);
        EXPECT_EQ(Writer.AppendLine(Text(file), "a line longer than the room left"), -1);
        EXPECT_EQ(Writer.PendingCount(), 1u);
        EXPECT_EQ(testkit::FileContents(file), "old\r\n")
            << "the piece that got through is cut off";
    }
    EXPECT_EQ(Writer.AppendLine(Text(file), "next"), 1);
    EXPECT_EQ(testkit::FileContents(file), "old\r\na line longer than the room left\r\nnext\r\n");
}

} // namespace
} // namespace tallyvox::callfile
