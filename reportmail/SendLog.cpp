#include "reportmail/SendLog.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "callfile/AppendFile.h"

namespace tallyvox::reportmail {

namespace {

constexpr std::size_t Fields = 6;

std::string StampOf(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::time_t TimeOf(const std::string& stamp) {
    std::tm local{};
    if (std::sscanf(stamp.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &local.tm_year, &local.tm_mon,
                    &local.tm_mday, &local.tm_hour, &local.tm_min, &local.tm_sec) != 6) {
        return 0;
    }
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

// A field of one line: tabs and line ends would break the line apart.
std::string Field(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return text;
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (std::size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1) {
        fields.push_back(line.substr(at, tab - at));
    }
    fields.push_back(line.substr(at));
    return fields;
}

void AppendSendRecord(const std::string& logFile, const TSendRecord& record) {
    const std::string line = StampOf(record.Time) + "\t" + (record.Sent ? "sent" : "failed") +
                             "\t" + Field(record.Period) + "\t" + Field(record.Department) + "\t" +
                             Field(record.Recipients) + "\t" + Field(record.Reason) + "\r\n";
    const std::filesystem::path path(logFile);
    const callfile::TFileHandle file = callfile::OpenForAppend(path);
    // A line torn by a full disk is closed first, so the record stands on its own.
    if (!file || !callfile::WriteWhole(file.get(), path, callfile::MissingLineEnd(path) + line)) {
        throw std::system_error(errno != 0 ? errno : EIO, std::generic_category(), logFile);
    }
}

std::vector<TSendRecord> ReadSendLog(const std::string& logFile) {
    std::vector<TSendRecord> records;
    std::ifstream in(logFile, std::ios::binary);
    std::error_code missing;
    if (!in && std::filesystem::exists(logFile, missing)) {
        throw std::system_error(errno, std::generic_category(), logFile);
    }
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::vector<std::string> fields = Split(line);
        if (fields.size() != Fields || (fields[1] != "sent" && fields[1] != "failed")) {
            continue;
        }
        records.push_back(
            {TimeOf(fields[0]), fields[2], fields[3], fields[4], fields[1] == "sent", fields[5]});
    }
    return records;
}

class TCallFileSendLog final : public TSendLog {
public:
    explicit TCallFileSendLog(std::string fileName) : FileName(std::move(fileName)) {}
    std::vector<TSendRecord> Records() override { return ReadSendLog(FileName); }
    void Append(const TSendRecord& record) override { AppendSendRecord(FileName, record); }
    std::string Place() const override { return FileName; }

private:
    std::string FileName;
};

} // namespace

std::unique_ptr<TSendLog> CallFileSendLog(const std::string& callFile) {
    return std::make_unique<TCallFileSendLog>(callFile + ".mail");
}

bool AlreadySent(const std::vector<TSendRecord>& log, const TSendRecord& message) {
    for (const TSendRecord& record : log) {
        if (record.Sent && record.Period == message.Period &&
            record.Department == message.Department && record.Recipients == message.Recipients) {
            return true;
        }
    }
    return false;
}

} // namespace tallyvox::reportmail
