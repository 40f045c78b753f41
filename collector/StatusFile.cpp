#include "collector/StatusFile.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace tallyvox::collector {
namespace {

std::string Iso(const TCalendarTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", time.Year, time.Month,
                  time.Day, time.Hour, time.Minute, time.Second);
    return text;
}

} // namespace

std::string StatusJson(const TCollectorStatus& status) {
    nlohmann::json exchange = nullptr;
    if (!status.Serial.empty() || !status.Model.empty()) {
        exchange = {{"model", status.Model},
                    {"serial", status.Serial},
                    {"version", status.Version},
                    {"bufferFill", status.BufferFill},
                    {"bufferCapacity", status.BufferCapacity}};
    }
    const nlohmann::json json = {
        {"state", status.State},
        {"detail", status.Detail},
        {"port", status.Port},
        {"callFile", status.CallFile},
        {"exchange", exchange},
        {"lastContact", status.Contacted ? nlohmann::json(Iso(status.LastContact)) : nullptr},
        {"recordsToday", status.RecordsToday},
        {"linesHeld", status.LinesHeld},
        {"updated", Iso(status.Updated)},
    };
    // Texts that are no valid UTF-8 are replaced, never a reason to fail.
    return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

bool WriteStatusFile(const std::string& path, const TCollectorStatus& status) {
    try {
        const std::filesystem::path target(path);
        std::filesystem::path temporary = target;
        temporary += ".tmp" + std::to_string(::getpid());
        {
            std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
            file << StatusJson(status);
            file.close();
            if (!file) {
                std::error_code ignored;
                std::filesystem::remove(temporary, ignored);
                return false;
            }
        }
        std::filesystem::rename(temporary, target);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace tallyvox::collector
