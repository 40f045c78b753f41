#include "reportcli/MailRun.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <system_error>

#include "delivery/MailSender.h"
#include "report/DepartmentSource.h"
#include "report/Session.h"
#include "report/Workbook.h"
#include "reportcli/AlertsRun.h"
#include "reportcli/CoverageRun.h"
#include "reportcli/Run.h"
#include "reportcli/StoreSource.h"
#include "reportmail/ReportSummary.h"
#include "reportmail/SendLog.h"
#include "text/Cp1251.h"
#include "text/Format.h"

namespace tallyvox::reportcli {

namespace {

constexpr const char* Program = "tallyvox-report: ";
constexpr const char* WorkbookType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";

std::vector<std::string> Converted(const std::vector<std::string>& texts,
                                   std::string (*convert)(std::string_view)) {
    std::vector<std::string> converted;
    std::transform(texts.begin(), texts.end(), std::back_inserter(converted),
                   [&](const std::string& text) { return convert(text); });
    return converted;
}

// One message: whose calls, and to whom.
struct TMailJob {
    std::string Department; // UTF-8; empty: the whole office
    TCallChoice Calls;
    std::vector<std::string> To;
    bool SkipWhenEmpty = false; // the rest of an office whose departments all have addresses
};

// A department's addresses: [departments] of the settings, else the directory's
// email of the department's rows.
std::vector<std::string> DepartmentAddresses(const alerts::TRules& settings,
                                             const report::TDirectory& directory,
                                             const std::string& department) {
    const auto given = settings.DepartmentMail.find(text::Cp1251ToUtf8(department));
    if (given != settings.DepartmentMail.end()) {
        return given->second;
    }
    std::vector<std::string> addresses;
    for (const report::TDirectoryEntry& entry : directory.Entries()) {
        const std::string address = text::Cp1251ToUtf8(entry.Email);
        if (entry.Department == department && !address.empty() &&
            std::find(addresses.begin(), addresses.end(), address) == addresses.end()) {
            addresses.push_back(address);
        }
    }
    return addresses;
}

std::vector<TMailJob> Jobs(const TReportOptions& options, const alerts::TRules& settings,
                           const report::TDirectory& directory) {
    const std::vector<std::string> to = options.MailTo.empty() ? settings.Mail->To : options.MailTo;
    if (!options.ByDepartment) {
        return {{text::Joined(options.Departments),
                 {Converted(options.Departments, text::Utf8ToCp1251)},
                 to}};
    }
    std::vector<TMailJob> jobs;
    std::vector<std::string> addressed;   // Windows-1251
    std::vector<std::string> unaddressed; // UTF-8
    for (const std::string& department : directory.Departments()) {
        if (department.empty()) {
            continue;
        }
        std::vector<std::string> addresses = DepartmentAddresses(settings, directory, department);
        if (addresses.empty()) {
            unaddressed.push_back(text::Cp1251ToUtf8(department));
            continue;
        }
        addressed.push_back(department);
        jobs.push_back({text::Cp1251ToUtf8(department), {{department}}, std::move(addresses)});
    }
    // Every call goes into some message: the rest's totals complete the office's.
    jobs.push_back({unaddressed.empty()
                        ? std::string("прочие линии")
                        : "прочие линии и отделы без адреса (" + text::Joined(unaddressed) + ")",
                    {addressed, true},
                    to,
                    unaddressed.empty()});
    return jobs;
}

std::string PeriodKey(const report::TPeriod& period) {
    return (period.From ? report::DateTimeText(*period.From) : "") + ".." +
           (period.To ? report::DateTimeText(*period.To) : "");
}

// The attachment's name: the period, and the department, without the characters
// a file name may not hold.
std::string WorkbookName(const report::TPeriod& period, const std::string& department) {
    std::string name = "Звонки " + reportmail::PeriodDays(period) +
                       (department.empty() ? "" : " " + department) + ".xlsx";
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos; },
        '-');
    return name;
}

class TMailRun {
public:
    TMailRun(const TReportOptions& options, const report::TPeriod& period, std::FILE* out,
             std::ostream& err)
        : Options(options), Period(period), Out(out), Err(err) {}

    int Run();

private:
    bool ReadTables();
    bool ReadLog();
    std::string SiteName() const;
    std::vector<reportmail::TSummaryAlert> AlertsOf(const TMailJob& job) const;
    bool InDepartments(const TFiredAlert& alert, const TCallChoice& choice) const;
    // The period's calls, read once for every message; nullptr after telling Err
    // why they cannot be read.
    const report::TReportSession* Office();
    // 0, 1 or MailNotAccepted for one message.
    int Send(const TMailJob& job, std::size_t number);
    std::optional<delivery::TMailMessage> Message(const TMailJob& job,
                                                  const report::TReportSession& session);
    int Deliver(const delivery::TMailMessage& message, reportmail::TSendRecord record,
                std::size_t number);
    void Tell(const std::string& line) { std::fputs((line + "\n").c_str(), Out); }

    const TReportOptions& Options;
    const report::TPeriod& Period;
    std::FILE* Out;
    std::ostream& Err;
    alerts::TRules Settings;
    report::TTariffTable Table;
    report::TDirectory Directory;
    std::vector<TFiredAlert> Alerts;
    std::vector<std::string> Gaps;
    std::unique_ptr<reportmail::TSendLog> Log;
    std::vector<reportmail::TSendRecord> Records;
    std::unique_ptr<report::TReportSession> OfficeCalls;
};

bool TMailRun::ReadTables() {
    if (!ReadRules(*Options.Mail, Settings, Err)) {
        return false;
    }
    if (!Settings.Mail) {
        Err << Program << *Options.Mail << " has no [mail] table (server, from, to)\n";
        return false;
    }
    if (Options.Tariffs && !ReadTariffs(*Options.Tariffs, Table, Err)) {
        return false;
    }
    if (Options.Directory && !ReadDirectory(*Options.Directory, Directory, Err)) {
        return false;
    }
    if (Options.Alerts &&
        FireAlerts(
            Options, Period, [&](const TFiredAlert& alert) { Alerts.push_back(alert); }, Err) !=
            0) {
        return false;
    }
    Gaps = GapLines(Options, Period);
    return true;
}

bool TMailRun::ReadLog() {
    if (Options.DryRun) {
        return true;
    }
    try {
        Log = Options.Store ? StoreSendLog(Options) : reportmail::CallFileSendLog(Options.CallFile);
        Records = Log->Records();
        return true;
    } catch (const std::runtime_error& error) {
        Err << Program << "cannot read the log of the report's mail: " << error.what() << "\n";
        return false;
    }
}

std::string TMailRun::SiteName() const {
    if (Options.Store) {
        return Options.Sites.empty() ? "все площадки" : text::Joined(Options.Sites);
    }
    return Settings.Office.Site.empty()
               ? std::filesystem::path(Options.CallFile).filename().string()
               : Settings.Office.Site;
}

bool TMailRun::InDepartments(const TFiredAlert& alert, const TCallChoice& choice) const {
    if (choice.Departments.empty() && !choice.Others) {
        return true;
    }
    report::TExtStr_rep call;
    call.Start = alert.Start;
    call.HardwareLine = alert.HardwareLine;
    call.ProgramNumber = alert.ProgramNumber;
    return report::DepartmentsHold(Directory, choice.Departments, choice.Others, call);
}

std::vector<reportmail::TSummaryAlert> TMailRun::AlertsOf(const TMailJob& job) const {
    std::vector<reportmail::TSummaryAlert> alerts;
    for (const TFiredAlert& alert : Alerts) {
        if (InDepartments(alert, job.Calls)) {
            alerts.push_back(
                {alert.Rule, alert.Start, alert.HardwareLine, alert.DialledNumber, alert.Seconds});
        }
    }
    return alerts;
}

std::optional<delivery::TMailMessage> TMailRun::Message(const TMailJob& job,
                                                        const report::TReportSession& session) {
    const TOptionViews shown(Options, session, Directory);
    std::string workbook;
    try {
        workbook = report::WorkbookBytes(shown.WorkbookSheets(), {session.Heading()});
    } catch (const report::EWorkbookError& error) {
        Err << Program << "cannot make the workbook: " << error.what() << "\n";
        return std::nullopt;
    }
    const reportmail::TReportSummary summary =
        reportmail::SummaryOf(session,
                              {SiteName(), job.Department, Options.MaskDigits.value_or(0),
                               Options.Directory ? &Directory : nullptr},
                              AlertsOf(job), Gaps);
    return delivery::TMailMessage{
        Settings.Mail->From,
        job.To,
        summary.Title,
        reportmail::SummaryText(summary),
        reportmail::SummaryHtml(summary),
        {{WorkbookName(Period, job.Department), WorkbookType, std::move(workbook)}}};
}

int TMailRun::Deliver(const delivery::TMailMessage& message, reportmail::TSendRecord record,
                      std::size_t number) {
    if (Options.DryRun) {
        char name[16];
        std::snprintf(name, sizeof name, "%02zu.eml", number);
        const std::filesystem::path file = std::filesystem::path(*Options.DryRun) / name;
        std::error_code made;
        std::filesystem::create_directories(*Options.DryRun, made);
        std::ofstream eml(file, std::ios::binary);
        eml << delivery::MailWireText(message);
        if (!eml.flush()) {
            Err << Program << "cannot write " << file.string() << "\n";
            return 1;
        }
        Tell(file.string() + ": to " + record.Recipients);
        return 0;
    }
    int status = 0;
    try {
        delivery::SendMail(
            {Settings.Mail->Server, Settings.Mail->User, Settings.Mail->PasswordFile}, message, {});
        record.Sent = true;
        Tell("sent to " + record.Recipients + ": " + message.Subject);
    } catch (const delivery::EDeliveryError& error) {
        record.Reason = error.what();
        Err << Program << "the report to " << record.Recipients << " was not sent: " << error.what()
            << "\n";
        status = MailNotAccepted;
    }
    try {
        Log->Append(record);
    } catch (const std::runtime_error& error) {
        Err << Program << "cannot log the report's mail in " << Log->Place() << ": " << error.what()
            << "\n";
        return status == 0 ? 1 : status;
    }
    return status;
}

int TMailRun::Send(const TMailJob& job, std::size_t number) {
    reportmail::TSendRecord record{
        std::time(nullptr), PeriodKey(Period), job.Department, text::Joined(job.To), false, ""};
    if (!Options.DryRun && !Options.Resend && reportmail::AlreadySent(Records, record)) {
        Tell("already sent to " + record.Recipients + " (--resend sends it again)");
        return 0;
    }
    const report::TReportSession* office = Office();
    if (office == nullptr) {
        return 1;
    }
    // A department's message: its calls of the office's, read again from memory.
    report::TReportSession narrowed({&Table});
    const bool whole = job.Calls.Departments.empty() && !job.Calls.Others;
    if (!whole) {
        report::TCallListSource calls(office->Calls());
        report::TDepartmentSource departments(calls, Directory, job.Calls.Departments,
                                              job.Calls.Others);
        narrowed.Load(departments, Period, true);
    }
    const report::TReportSession& session = whole ? *office : narrowed;
    if (job.SkipWhenEmpty && session.Calls().Count() == 0) {
        return 0;
    }
    const std::optional<delivery::TMailMessage> message = Message(job, session);
    return message ? Deliver(*message, std::move(record), number) : 1;
}

const report::TReportSession* TMailRun::Office() {
    if (!OfficeCalls) {
        auto session = std::make_unique<report::TReportSession>(report::TSessionTables{&Table});
        if (!LoadCalls(Options, Period, Directory, {}, *session, Err)) {
            return nullptr;
        }
        OfficeCalls = std::move(session);
    }
    return OfficeCalls.get();
}

int TMailRun::Run() {
    if (!ReadTables() || !ReadLog()) {
        return 1;
    }
    const std::vector<TMailJob> jobs = Jobs(Options, Settings, Directory);
    // Nothing goes out while an address is wrong: a server would refuse it on
    // every try.
    for (const TMailJob& job : jobs) {
        for (const std::string& address : job.To) {
            if (!delivery::IsMailAddress(address)) {
                Err << Program << "\"" << address << "\" (for "
                    << (job.Department.empty() ? std::string("the office") : job.Department)
                    << ") is not a mail address such as name@example.org\n";
                return 1;
            }
        }
    }
    int status = 0;
    std::size_t number = 0;
    for (const TMailJob& job : jobs) {
        const int sent = Send(job, ++number);
        if (sent == 1) {
            return 1;
        }
        status = std::max(status, sent);
    }
    std::fflush(Out);
    return status;
}

} // namespace

int MailReport(const TReportOptions& options, const report::TPeriod& period, std::FILE* out,
               std::ostream& err) {
    return TMailRun(options, period, out, err).Run();
}

} // namespace tallyvox::reportcli
