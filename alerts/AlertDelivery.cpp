#include "alerts/AlertDelivery.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "alerts/AlertJournal.h"
#include "alerts/AlertMessage.h"
#include "delivery/MailSender.h"
#include "delivery/WebhookSender.h"

namespace tallyvox::alerts {

namespace {

constexpr std::int64_t ReplayDays = 7;

std::int64_t Now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string SiteOf(const TRules& rules) {
    if (!rules.Office.Site.empty()) {
        return rules.Office.Site;
    }
    char host[256] = {};
    return ::gethostname(host, sizeof host - 1) == 0 ? std::string(host) : std::string("tallyvox");
}

} // namespace

struct TAlertDelivery::TChannel {
    std::string Name;
    TOutbox Outbox;
    std::function<void(const TAlertMessage&)> Send;
    bool Failing = false;
};

TAlertDelivery::TAlertDelivery(const TRules& rules, std::string journal, TDeliveryLog log,
                               delivery::TTransferLimits limits)
    : Journal_(std::move(journal)), Site(SiteOf(rules)), PerHour(rules.Delivery.PerHour),
      Log(std::move(log)), Limits(limits) {
    Limits.Cancelled = &Cancelled;
    if (rules.Mail) {
        const delivery::TMailServer server{rules.Mail->Server, rules.Mail->User,
                                           rules.Mail->PasswordFile};
        const TMail mail = *rules.Mail;
        Channels.push_back(std::make_unique<TChannel>(TChannel{
            "mail", TOutbox(rules.Delivery), [this, server, mail](const TAlertMessage& message) {
                delivery::SendMail(
                    server, {mail.From, mail.To, message.Subject, message.Text, {}, {}}, Limits);
            }}));
    }
    if (rules.WebhookUrl) {
        Channels.push_back(std::make_unique<TChannel>(
            TChannel{"webhook", TOutbox(rules.Delivery),
                     [this, url = *rules.WebhookUrl](const TAlertMessage& message) {
                         delivery::PostJson(url, message.Json, Limits);
                     }}));
    }
    Replay();
}

TAlertDelivery::~TAlertDelivery() = default;

// What the journal says was raised and sent: the rest is held again, unless it
// is older than a week (a channel added to the rules long after its alerts
// does not get them all as its first message).
void TAlertDelivery::Replay() {
    const std::int64_t oldest = Now() - ReplayDays * 86400;
    std::size_t tooOld = 0;
    for (const TJournalEntry& entry : LoadAlertJournal(Journal_)) {
        if (entry.Event == TJournalEvent::Alert) {
            Keys.push_back(entry.Alert.Key());
            LastId = std::max(LastId, entry.Alert.Id);
            for (const auto& channel : Channels) {
                channel->Outbox.Hold(entry.Alert, entry.Time);
            }
            continue;
        }
        for (const auto& channel : Channels) {
            if (entry.Event == TJournalEvent::Sent && channel->Name == entry.Channel) {
                channel->Outbox.Delivered(entry.Ids, entry.Time);
            }
        }
    }
    for (const auto& channel : Channels) {
        tooOld = std::max(tooOld, channel->Outbox.DropHeldBefore(oldest));
    }
    std::sort(Keys.begin(), Keys.end());
    if (tooOld > 0) {
        Log(true, "alerts: " + std::to_string(tooOld) + " alerts older than " +
                      std::to_string(ReplayDays) +
                      " days were never sent and are not sent now (tallyvox-report "
                      "--alerts-log lists them)");
    }
}

void TAlertDelivery::Journal(const std::vector<TJournalEntry>& entries) {
    const bool written = AppendJournalEntries(Journal_, entries);
    if (written == JournalFailing) {
        JournalFailing = !written;
        Log(!written, written ? "alerts: the alert journal " + Journal_ + " is written again"
                              : "alerts: cannot write the alert journal " + Journal_ +
                                    "; alerts are still sent, but a restart forgets them");
    }
}

std::vector<TAlert> TAlertDelivery::Raise(std::vector<TAlert> alerts) {
    std::lock_guard lock(Mutex);
    const std::int64_t now = Now();
    std::vector<TAlert> raised;
    std::vector<TJournalEntry> entries;
    for (TAlert& alert : alerts) {
        const std::string key = alert.Key();
        const auto at = std::lower_bound(Keys.begin(), Keys.end(), key);
        if (at != Keys.end() && *at == key) {
            continue;
        }
        Keys.insert(at, key);
        alert.Id = ++LastId;
        alert.Raised = now;
        entries.push_back({now, TJournalEvent::Alert, alert, {}, {}, {}});
        raised.push_back(std::move(alert));
    }
    if (raised.empty()) {
        return raised;
    }
    Journal(entries);
    for (const auto& channel : Channels) {
        for (const TAlert& alert : raised) {
            channel->Outbox.Hold(alert, now);
        }
    }
    return raised;
}

bool TAlertDelivery::SendDue(bool flush) {
    bool delivered = true;
    for (const auto& channel : Channels) {
        while (!Cancelled) {
            std::optional<TOutgoing> outgoing;
            {
                std::lock_guard lock(Mutex);
                outgoing = channel->Outbox.Next(Now(), flush);
            }
            if (!outgoing) {
                break;
            }
            if (!SendNext(*channel, *outgoing)) {
                delivered = false;
                break;
            }
        }
    }
    return delivered && !Cancelled;
}

bool TAlertDelivery::SendNext(TChannel& channel, const TOutgoing& outgoing) {
    const TAlertMessage message = ComposeAlertMessage(Site, outgoing, PerHour);
    std::string failure;
    try {
        channel.Send(message);
    } catch (const delivery::EDeliveryError& error) {
        failure = error.what();
    }
    std::lock_guard lock(Mutex);
    const std::int64_t now = Now();
    const std::vector<std::uint64_t> ids = outgoing.Ids();
    if (failure.empty()) {
        channel.Outbox.Delivered(ids, now);
        Journal({{now, TJournalEvent::Sent, {}, channel.Name, ids, {}}});
        Log(false, "alerts: " + channel.Name + " sent: " + message.Subject);
        channel.Failing = false;
        return true;
    }
    channel.Outbox.Failed(now);
    Journal({{now, TJournalEvent::Failed, {}, channel.Name, ids, failure}});
    if (!channel.Failing && !Cancelled) {
        Log(true, "alerts: " + channel.Name + " failing: " + failure + "; " +
                      std::to_string(channel.Outbox.Held()) +
                      " alerts kept in the alert journal, retrying");
    }
    channel.Failing = true;
    return false;
}

std::optional<std::int64_t> TAlertDelivery::WakeAt() const {
    std::lock_guard lock(Mutex);
    std::optional<std::int64_t> wake;
    const std::int64_t now = Now();
    for (const auto& channel : Channels) {
        if (const std::optional<std::int64_t> at = channel->Outbox.WakeAt(now)) {
            wake = std::min(wake.value_or(*at), *at);
        }
    }
    return wake;
}

std::size_t TAlertDelivery::Undelivered() const {
    std::lock_guard lock(Mutex);
    std::size_t held = 0;
    for (const auto& channel : Channels) {
        held = std::max(held, channel->Outbox.Held());
    }
    return held;
}

} // namespace tallyvox::alerts
