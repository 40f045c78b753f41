#include "web/CallData.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "callfile/CoverageJournal.h"
#include "report/CallSource.h"
#include "text/Cp1251.h"

namespace tallyvox::web {

std::string TCallData::DestinationOf(const report::TCallCost& cost) const {
    return cost.Priced() ? Table_.Rows()[static_cast<std::size_t>(cost.Row)].DestinationName()
                         : std::string();
}

TPricedCalls::TPricedCalls(std::unique_ptr<report::TReportSession> session)
    : Session(std::move(session)), Calls(Session->Calls()), Costs(Session->Costs()),
      Priced(Session->Priced()) {}

std::shared_ptr<TPricedCalls> TCallData::Read(report::TCallSource& source,
                                              const report::TPeriod& period) const {
    auto session = std::make_unique<report::TReportSession>(report::TSessionTables{&Table_});
    session->Load(source, period, true);
    return std::make_shared<TPricedCalls>(std::move(session));
}

TCallFileData::TCallFileData(std::string callFile, report::TTariffTable table)
    : TCallData(std::move(table)), CallFile(std::move(callFile)),
      Calls_(std::make_shared<TPricedCalls>()) {}

std::shared_ptr<const TPricedCalls> TCallFileData::Calls(const TCallNeed&) {
    std::error_code error;
    TStamp stamp;
    stamp.Size = std::filesystem::file_size(CallFile, error);
    if (!error) {
        stamp.Time = std::filesystem::last_write_time(CallFile, error).time_since_epoch().count();
    }
    std::lock_guard lock(Mutex);
    if (error) {
        const std::string fault = "cannot read " + CallFile + ": " + error.message();
        if (fault != LastFault) {
            std::cerr << "error: " << fault << "\n";
            LastFault = fault;
        }
    } else if (!(stamp == Loaded)) {
        Reload(stamp);
    }
    return Calls_;
}

std::vector<TSiteCoverage> TCallFileData::Coverage(const TCallNeed& need) {
    bool kept = false;
    const std::vector<callfile::TCoverageEntry> entries = report::LoadCoverageJournal(
        callfile::CoverageJournalOf(text::Utf8ToCp1251(CallFile)), &kept);
    return {{"",
             report::SpansWithin(report::CoverageSpans(entries),
                                 report::CalendarBound(need.Period.From),
                                 report::CalendarBound(need.Period.To)),
             kept}};
}

void TCallFileData::Reload(const TStamp& stamp) {
    std::shared_ptr<TPricedCalls> priced;
    try {
        report::TCallFileSource source(CallFile);
        priced = Read(source, {});
    } catch (const std::system_error& failure) {
        const std::string fault = "cannot read " + CallFile + ": " + failure.code().message();
        if (fault != LastFault) {
            std::cerr << "error: " << fault << "\n";
            LastFault = fault;
        }
        return;
    }
    // The first read and a read after a fault are changes of state; the file
    // growing by a call at a time as the collector writes is not.
    if (Loaded.Time == -1 || !LastFault.empty()) {
        std::cerr << "info: " << priced->Calls.Count() << " calls in " << CallFile << "\n";
    }
    LastFault.clear();
    Loaded = stamp;
    Calls_ = std::move(priced);
}

} // namespace tallyvox::web
