#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "alerts/AlertJournal.h"
#include "alerts/Outbox.h"
#include "alerts/RulesReader.h"

namespace tallyvox::alerts {
namespace {

TAlert AlertOf(std::uint64_t id, const std::string& rule) {
    TAlert alert;
    alert.Id = id;
    alert.Rule = rule;
    alert.Call.Date = "2027-01-12";
    alert.Call.Time = "02:11:05";
    return alert;
}

// One step of an outbox's life at a time: hold an alert, or ask what is due and
// send it (well or failing).
struct TStep {
    std::int64_t Time = 0;
    std::optional<TAlert> Hold; // else: ask Next
    bool Flush = false;
    std::vector<std::uint64_t> Due; // the ids Next gives; none: nothing due
    bool Summary = false;
    bool Fails = false; // the message given fails
};

TStep Hold(std::int64_t time, TAlert alert) {
    TStep step;
    step.Time = time;
    step.Hold = std::move(alert);
    return step;
}

struct TAsk {
    bool Flush = false;
    bool Summary = false;
    bool Fails = false;
};

TStep Ask(std::int64_t time, std::vector<std::uint64_t> due, TAsk ask = {}) {
    TStep step;
    step.Time = time;
    step.Due = std::move(due);
    step.Flush = ask.Flush;
    step.Summary = ask.Summary;
    step.Fails = ask.Fails;
    return step;
}

struct TOutboxCase {
    const char* Name;
    TDelivery Settings;
    std::vector<TStep> Steps;
};

// The digest time runs from the first alert of a rule held; a backlog held at
// once goes as one message per rule; past the hourly cap one summary holds every
// alert; a failed message waits 1 s, then 2 s, and goes again.
TEST(AlertDelivery, OutboxGivesDigestsWithinTheCapAndRetriesAfterDoublingWaits) {
    const std::vector<TOutboxCase> cases{
        {"digest from the first alert held",
         {10, 20},
         {Hold(0, AlertOf(1, "A")), Hold(3, AlertOf(2, "B")), Hold(5, AlertOf(3, "A")), Ask(9, {}),
          Ask(10, {1, 3}), Ask(12, {}), Ask(13, {2})}},
        {"a backlog at once: one message per rule",
         {600, 20},
         {Hold(0, AlertOf(1, "A")), Hold(0, AlertOf(2, "B")), Hold(0, AlertOf(3, "A")),
          Ask(0, {1, 3}, {true, false, false}), Ask(0, {2}, {true, false, false}),
          Ask(0, {}, {true, false, false})}},
        {"past the hourly cap one summary",
         {0, 2},
         {Hold(0, AlertOf(1, "A")), Ask(0, {1}), Hold(1, AlertOf(2, "A")), Hold(1, AlertOf(3, "B")),
          Hold(1, AlertOf(4, "C")), Ask(1, {2, 3, 4}, {false, true, false}),
          Hold(2, AlertOf(5, "A")), Ask(3599, {}), Ask(3600, {5})}},
        {"retries after 1 s, then 2 s",
         {0, 20},
         {Hold(0, AlertOf(1, "A")), Ask(0, {1}, {false, false, true}), Ask(0, {}),
          Ask(1, {1}, {false, false, true}), Ask(2, {}), Ask(3, {1})}},
    };
    for (const TOutboxCase& c : cases) {
        TOutbox outbox(c.Settings);
        for (std::size_t i = 0; i < c.Steps.size(); ++i) {
            const TStep& step = c.Steps[i];
            if (step.Hold) {
                outbox.Hold(*step.Hold, step.Time);
                continue;
            }
            const std::optional<TOutgoing> next = outbox.Next(step.Time, step.Flush);
            ASSERT_EQ(next ? next->Ids() : std::vector<std::uint64_t>{}, step.Due)
                << c.Name << ", step " << i;
            if (!next) {
                continue;
            }
            EXPECT_EQ(next->Summary, step.Summary) << c.Name << ", step " << i;
            if (step.Fails) {
                outbox.Failed(step.Time);
            } else {
                outbox.Delivered(next->Ids(), step.Time);
            }
        }
        EXPECT_EQ(outbox.Held(), 0u) << c.Name;
    }
}

// Each entry comes back from its line as written; a torn line is none.
TEST(AlertDelivery, JournalEntriesReadBackAsWritten) {
    TAlert alert = AlertOf(7, "Международные\tвне");
    alert.Level = TLevel::Critical;
    alert.At = 81234;
    alert.Call.Line = "215";
    alert.Call.Program = "2015";
    alert.Call.Trunk = "02";
    alert.Call.Number = "81097255510001";
    alert.Call.Duration = "00:21:00";
    alert.Call.Cost = "123.45";
    alert.Call.Text = "12-01-2027 01:11:00   00:21:00   215(2015)";
    const std::vector<TJournalEntry> entries{
        {1800000000, TJournalEvent::Alert, alert, {}, {}, {}},
        {1800000001, TJournalEvent::Sent, {}, "mail", {7, 8}, {}},
        {1800000002, TJournalEvent::Failed, {}, "webhook", {7}, "refused\r\n"}};
    for (const TJournalEntry& entry : entries) {
        const std::string line = FormatJournalEntry(entry);
        const std::optional<TJournalEntry> read = ParseJournalEntry(line + "\r\n");
        ASSERT_TRUE(read) << line;
        EXPECT_EQ(read->Time, entry.Time);
        EXPECT_EQ(read->Event, entry.Event);
        EXPECT_EQ(read->Ids, entry.Ids);
        EXPECT_EQ(read->Channel, entry.Channel);
        if (entry.Event == TJournalEvent::Alert) {
            EXPECT_EQ(read->Alert.Rule, "Международные вне");
            EXPECT_EQ(read->Alert.Level, TLevel::Critical);
            EXPECT_EQ(read->Alert.At, alert.At);
            EXPECT_EQ(read->Alert.Call, alert.Call);
        }
        EXPECT_FALSE(ParseJournalEntry(line.substr(0, 25))) << line;
    }
}

// A password file that others may read is refused with its line, as is a user
// without one.
TEST(AlertDelivery, APasswordFileOthersMayReadIsRefused) {
    char name[] = "/tmp/tallyvox-password-XXXXXX";
    const int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const std::string mail = "[mail]\nserver = \"smtp://127.0.0.1:25\"\nfrom = \"a@b\"\n"
                             "to = [\"c@d\"]\nuser = \"u\"\npassword_file = \"" +
                             std::string(name) + "\"\n";
    ::chmod(name, 0600);
    EXPECT_NO_THROW(ReadRulesText(mail));
    ::chmod(name, 0640);
    try {
        ReadRulesText(mail);
        ADD_FAILURE() << "a password file the group may read is taken";
    } catch (const ERulesError& error) {
        ASSERT_EQ(error.Faults().size(), 1u);
        EXPECT_EQ(error.Faults()[0].Line, 6u) << error.what();
    }
    std::remove(name);
    EXPECT_THROW(ReadRulesText("[mail]\nserver = \"smtp://h\"\nfrom = \"a@b\"\nto = [\"c@d\"]\n"
                               "user = \"u\"\n"),
                 ERulesError);
}

} // namespace
} // namespace tallyvox::alerts
