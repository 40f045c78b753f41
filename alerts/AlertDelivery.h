#pragma once
// The alerts told to people: each alert journalled beside the call file as it is
// raised, then held for each channel the rules file names (mail, web hook) and
// sent in digests by the channel's outbox; each message that went or failed is
// journalled too. On start the journal gives back what a channel has not had
// yet, so an alert survives a mail server that is down and a restart, and
// none goes twice.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "alerts/Alert.h"
#include "alerts/AlertJournal.h"
#include "alerts/Outbox.h"
#include "alerts/Rules.h"
#include "delivery/Curl.h"

namespace tallyvox::alerts {

// Told once per change of state of a channel (failing, delivering again) and of
// each message sent; problem: a line for the warnings.
using TDeliveryLog = std::function<void(bool problem, const std::string& text)>;

class TAlertDelivery {
public:
    // Reads the journal (a file-system path). Throws std::system_error when it
    // cannot be read.
    TAlertDelivery(const TRules& rules, std::string journal, TDeliveryLog log,
                   delivery::TTransferLimits limits = {});
    ~TAlertDelivery();
    TAlertDelivery(const TAlertDelivery&) = delete;
    TAlertDelivery& operator=(const TAlertDelivery&) = delete;

    // Journals the alerts, numbered on from the journal's last, and holds them for
    // each channel; an alert the journal already holds (a call evaluated again
    // after a crash) is passed over. The alerts that are new. Any thread.
    std::vector<TAlert> Raise(std::vector<TAlert> alerts);

    // Sends every message due now; flush: every alert held, without waiting for
    // digests or retries (a run that ends). False when a message failed. One
    // thread at a time.
    bool SendDue(bool flush);

    // When a message may next be due (seconds since 1970); none while nothing is held.
    std::optional<std::int64_t> WakeAt() const;
    // The alerts that some channel has still to have.
    std::size_t Undelivered() const;
    // Ends a transfer in progress as failed, and every later one (for a stop).
    void Cancel() { Cancelled = true; }

private:
    struct TChannel;
    void Replay();
    bool SendNext(TChannel& channel, const TOutgoing& outgoing);
    void Journal(const std::vector<TJournalEntry>& entries);

    std::string Journal_;
    std::string Site;
    std::uint32_t PerHour = 0;
    TDeliveryLog Log;
    delivery::TTransferLimits Limits;
    std::atomic<bool> Cancelled{false};
    mutable std::mutex Mutex;
    std::vector<std::unique_ptr<TChannel>> Channels;
    std::vector<std::string> Keys; // of every alert journalled
    std::uint64_t LastId = 0;
    bool JournalFailing = false;
};

} // namespace tallyvox::alerts
