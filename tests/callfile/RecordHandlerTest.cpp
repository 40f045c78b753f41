#include "callfile/RecordHandler.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <functional>
#include <vector>

#include "callfile/CallLine.h"
#include "callfile/Header.h"
#include "exchange/LowLevel.h"
#include "model/FilePath.h"
#include "tests/callfile/ExampleRecord.h"
#include "tests/kit/CalendarAt.h"
#include "tests/kit/RecordingNotifier.h"
#include "tests/kit/TempDir.h"

namespace tallyvox::callfile {
namespace {

namespace fs = std::filesystem;

struct THandled {
    std::string Line;
    int BufferFill;
    int RejectedCount;
    std::size_t PendingLines;

    friend bool operator==(const THandled&, const THandled&) = default;
};

class TRecordingListener : public TRecordListener {
public:
    void RecordHandled(const std::string& line, int bufferFill, int rejectedCount,
                       std::size_t pendingLines) override {
        Handled.push_back({line, bufferFill, rejectedCount, pendingLines});
    }
    std::vector<THandled> Handled;
};

TRecord Call(int hardwareLine, const std::string& dialled) {
    TRecord record = ExampleRecord();
    record.HardwareLine = hardwareLine;
    record.DialledNumber = dialled;
    return record;
}

class RecordHandlerTest : public testing::Test {
protected:
    RecordHandlerTest() {
        LowLevel->TariffFileName = TextOfFilePath(CallFile);
        LowLevel->Status.BufferFill = 2;
        LowLevel->RejectedCount = 4;
    }

    testkit::TTempDir Folder;
    testkit::TCurrentDir Current{Folder.Path()};
    boost::shared_ptr<TLowLevel> LowLevel = boost::make_shared<TLowLevel>(
        boost::make_shared<TScaledClock>(100.0), boost::make_shared<testkit::TRecordingNotifier>());
    fs::path CallFile = Folder.Path() / "calls.txt";
    TRecordingListener Listener;
    TRecordHandler Handler{LowLevel, &Listener};
};

TEST_F(RecordHandlerTest, AppendsTheLineCountsTheFillDownAndTellsTheListener) {
    const TRecord first = Call(201, "123456");
    const TRecord second = Call(202, "");
    const TRecord third = Call(203, "8123");
    Handler(first);
    Handler(second);
    Handler(third);

    const std::vector<THandled> expected{{FormatCallLine(first), 1, 4, 0},
                                         {FormatCallLine(second), 0, 4, 0},
                                         {FormatCallLine(third), 0, 4, 0}};
    EXPECT_EQ(Listener.Handled, expected) << "a fill of 0 stays 0";
    EXPECT_EQ(LowLevel->Status.BufferFill, 0);
    EXPECT_EQ(testkit::FileContents(CallFile), FormatCallLine(first) + "\r\n" +
                                                   FormatCallLine(second) + "\r\n" +
                                                   FormatCallLine(third) + "\r\n");
}

TEST_F(RecordHandlerTest, TheHeaderBlockPrecedesTheCallLines) {
    TStatus status;
    status.ExchangeClock = testkit::At(2004, 5, 7, 9, 5, 3);
    BuildHeader(*LowLevel, status);
    EXPECT_EQ(Handler.WriteHeader(), 1);
    Handler(Call(201, "123456"));
    EXPECT_EQ(testkit::FileContents(CallFile), LowLevel->HeaderDateLine + "\r\n" +
                                                   LowLevel->HeaderTitleLine + "\r\n" +
                                                   FormatCallLine(Call(201, "123456")) + "\r\n");
}

TEST_F(RecordHandlerTest, LinesWaitWhileTheFileCannotBeWrittenAndNoneIsLost) {
    const fs::path folder = Folder.Path() / "later";
    LowLevel->TariffFileName = TextOfFilePath(folder / "calls.txt");
    LowLevel->Status.BufferFill = 10;
    Handler(Call(201, "1"));
    Handler(Call(202, "2"));
    ASSERT_EQ(Listener.Handled.size(), 2u);
    EXPECT_EQ(Listener.Handled[0].PendingLines, 1u);
    EXPECT_EQ(Listener.Handled[1].PendingLines, 2u);
    EXPECT_EQ(Listener.Handled[1].BufferFill, 8) << "the record has left the exchange all the same";

    fs::create_directory(folder);
    Handler(Call(203, "3"));
    EXPECT_EQ(Listener.Handled.back().PendingLines, 0u);
    EXPECT_EQ(testkit::FileContents(folder / "calls.txt"),
              FormatCallLine(Call(201, "1")) + "\r\n" + FormatCallLine(Call(202, "2")) + "\r\n" +
                  FormatCallLine(Call(203, "3")) + "\r\n");
}

TEST_F(RecordHandlerTest, WaitingLinesAreWrittenBetweenReadsAndWhenTheHandlerEnds) {
    const fs::path folder = Folder.Path() / "later";
    LowLevel->TariffFileName = TextOfFilePath(folder / "calls.txt");
    Handler(Call(201, "1"));
    EXPECT_EQ(Handler.FlushPending(), -1);
    fs::create_directory(folder);
    EXPECT_EQ(Handler.FlushPending(), 1);
    EXPECT_EQ(testkit::FileContents(folder / "calls.txt"), FormatCallLine(Call(201, "1")) + "\r\n");

    fs::remove_all(folder);
    {
        TRecordHandler ending(LowLevel, nullptr);
        ending(Call(202, "2"));
        EXPECT_EQ(ending.Writer().PendingCount(), 1u);
        fs::create_directory(folder);
    }
    EXPECT_EQ(testkit::FileContents(folder / "calls.txt"), FormatCallLine(Call(202, "2")) + "\r\n");
}

TEST_F(RecordHandlerTest, WorksAsTheRecordCallbackAndWithoutAListener) {
    TRecordHandler quiet(LowLevel, nullptr);
    LowLevel->RecordCallback = std::ref(quiet);
    LowLevel->RecordCallback(Call(201, "555"));
    EXPECT_EQ(LowLevel->Status.BufferFill, 1);
    EXPECT_EQ(testkit::FileContents(CallFile), FormatCallLine(Call(201, "555")) + "\r\n");
}

} // namespace
} // namespace tallyvox::callfile

namespace tallyvox::callfile {
namespace {

fs::path AwayOf(const fs::path& folder) {
    return folder.string() + ".away";
}

// A read with a header that comes to a new file (the old one moved away or
// emptied by rotation) opens it with the read's header; a folder that is away
// for a while, or a read without a header, adds none.
TEST_F(RecordHandlerTest, ANewFileInTheMiddleOfAReadStartsWithItsHeader) {
    const fs::path folder = Folder.Path() / "calls";
    const fs::path file = folder / "calls.txt";
    LowLevel->TariffFileName = TextOfFilePath(file);
    LowLevel->HeaderDateLine = HeaderDateLine(testkit::At(2026, 12, 9, 8, 0, 0));
    LowLevel->HeaderTitleLine = HeaderTitleLine();
    const std::string header = LowLevel->HeaderDateLine + "\r\n" + HeaderTitleLine() + "\r\n";
    const TRecord call = Call(201, "123");
    const std::string line = FormatCallLine(call) + "\r\n";
    struct TCase {
        const char* Name;
        bool Header;
        std::function<void()> Change;
        std::string Expected;
    };
    const std::vector<TCase> cases{
        {"moved away", true, [&] { fs::rename(file, folder / "calls.1"); }, header + line},
        {"emptied", true, [&] { fs::resize_file(file, 0); }, header + line},
        {"no header in this read", false, [&] { fs::remove(file); }, line},
        {"its folder away for a while", true, [&] { fs::rename(folder, AwayOf(folder)); },
         header + line + line},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove_all(folder);
        fs::create_directory(folder);
        Handler.BeginRead();
        if (c.Header) {
            Handler.WriteHeader();
        }
        Handler(call);
        c.Change();
        Handler(call);
        if (fs::exists(AwayOf(folder))) {
            fs::rename(AwayOf(folder), folder);
            EXPECT_EQ(Handler.FlushPending(), LinesWritten);
        }
        EXPECT_EQ(testkit::FileContents(file), c.Expected);
    }
}

} // namespace
} // namespace tallyvox::callfile
