#include "report/TariffReader.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "report/FileBlocks.h"
#include "report/Period.h"
#include "report/TariffTies.h"
#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

using TFields = std::vector<std::string>;

const std::vector<std::string_view> Columns{"prefix",
                                            "name",
                                            "price_per_minute",
                                            "initial_seconds",
                                            "step_seconds",
                                            "free_seconds",
                                            "connection_fee",
                                            "trunk",
                                            "days",
                                            "from",
                                            "to",
                                            "valid_from"};
const std::vector<std::string_view> Required{"prefix", "name", "price_per_minute"};

bool ValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = c < 0x80         ? 1
                                   : (c >> 5) == 6  ? 2
                                   : (c >> 4) == 14 ? 3
                                   : (c >> 3) == 30 ? 4
                                                    : 0;
        if (length == 0 || i + length > bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

// The text as Windows-1251: valid UTF-8 is taken as UTF-8 (its BOM dropped).
std::string AsCp1251(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
        return text::Utf8ToCp1251(bytes);
    }
    return ValidUtf8(bytes) ? text::Utf8ToCp1251(bytes) : std::string(bytes);
}

// Splits the text into records of fields: ";" between fields, a field in double
// quotes may hold ";", line ends and "" for a quote. Each record keeps the line
// it began on.
std::vector<std::pair<std::size_t, TFields>> Records(std::string_view text) {
    std::vector<std::pair<std::size_t, TFields>> records;
    TFields fields(1);
    std::size_t line = 1;
    std::size_t recordLine = 1;
    bool quoted = false;
    bool any = false;
    auto endRecord = [&] {
        if (any) {
            records.emplace_back(recordLine, std::move(fields));
        }
        fields.assign(1, {});
        any = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool lineEnd = c == '\n' || c == '\r';
        if (lineEnd && (c == '\n' || i + 1 >= text.size() || text[i + 1] != '\n')) {
            ++line;
        }
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == ';') {
            fields.emplace_back(); // a row of empty cells, as spreadsheets write, is no row
        } else if (lineEnd) {
            endRecord();
            recordLine = line;
        } else {
            fields.back() += c;
            any = any || (c != ' ' && c != '\t');
        }
    }
    endRecord();
    return records;
}

// The faults of a table as they are found, in line order: the first
// MaxTariffFaults of them, and how many more.
class TFaultList {
public:
    void Add(std::size_t line, std::string what) {
        if (Kept.size() < MaxTariffFaults) {
            Kept.push_back({line, std::move(what)});
        } else {
            ++More;
        }
    }
    bool Empty() const { return Kept.empty(); }
    [[noreturn]] void Throw() { throw ETariffError(std::move(Kept), More); }

private:
    std::vector<TTariffFault> Kept;
    std::size_t More = 0;
};

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Reads one row's fields by column; each fault goes to faults.
class TRowReader {
public:
    TRowReader(const std::map<std::string, std::size_t>& columns, const TFields& fields,
               std::size_t line, TFaultList& faults)
        : Columns(columns), Fields(fields), Line(line), Faults(faults) {}

    TTariffRow Row() {
        TTariffRow row;
        row.Line = Line;
        row.Prefix = Field("prefix");
        if (!AllDigits(row.Prefix)) {
            Fault("prefix \"" + Utf8(row.Prefix) + "\" is not digits");
        }
        row.Name = Field("name");
        row.PricePerMinute = Price("price_per_minute", true);
        row.ConnectionFee = Price("connection_fee", false);
        row.StepSeconds = Seconds("step_seconds", 60, false);
        row.InitialSeconds = Seconds("initial_seconds", row.StepSeconds, false);
        row.FreeSeconds = Seconds("free_seconds", 0, true);
        row.Trunk = Field("trunk");
        row.Days = Days();
        row.Band = Band();
        row.ValidFrom = ValidFrom();
        return row;
    }

private:
    std::string Field(const char* column) const {
        const auto found = Columns.find(column);
        if (found == Columns.end() || found->second >= Fields.size()) {
            return {};
        }
        return Trim(Fields[found->second]);
    }
    static std::string Utf8(const std::string& cp1251) { return text::Cp1251ToUtf8(cp1251); }
    void Fault(const std::string& what) { Faults.Add(Line, what); }

    TPrice Price(const char* column, bool required) {
        const std::string text = Field(column);
        if (text.empty() && !required) {
            return 0;
        }
        const std::optional<TPrice> price = ParsePrice(text);
        if (!price) {
            Fault(std::string(column) + " \"" + Utf8(text) +
                  "\" is not a number of at most four decimals");
        } else if (*price > MaxPrice) {
            Fault(std::string(column) + " \"" + Utf8(text) + "\" is above " +
                  std::to_string(MaxPrice / PriceUnit));
            return 0;
        }
        return price.value_or(0);
    }

    std::uint32_t Seconds(const char* column, std::uint32_t fallback, bool zeroAllowed) {
        const std::string text = Field(column);
        if (text.empty()) {
            return fallback;
        }
        if (text.size() > 6 || !AllDigits(text) || (!zeroAllowed && std::stoul(text) == 0)) {
            Fault(std::string(column) + " \"" + Utf8(text) + "\" is not a whole number of seconds" +
                  (zeroAllowed ? "" : " above 0"));
            return fallback == 0 ? 1 : fallback;
        }
        return static_cast<std::uint32_t>(std::stoul(text));
    }

    std::uint8_t Days() {
        const std::string text = Field("days");
        std::uint8_t days = 0;
        std::stringstream parts(text);
        std::string part;
        while (!text.empty() && std::getline(parts, part, ',')) {
            part = Trim(part);
            const bool range = part.size() == 3 && part[1] == '-';
            const int first = part.empty() ? 0 : part[0] - '0';
            const int last = range ? part[2] - '0' : first;
            if ((part.size() != 1 && !range) || first < 1 || first > 7 || last < first ||
                last > 7) {
                Fault("days \"" + Utf8(text) + "\" are not weekdays 1-7 as \"1-5\" or \"6,7\"");
                return 0;
            }
            for (int day = first; day <= last; ++day) {
                days = static_cast<std::uint8_t>(days | (1u << (day - 1)));
            }
        }
        return days;
    }

    std::optional<int> Minute(const char* column) {
        const std::string text = Field(column);
        if (text.empty()) {
            return std::nullopt;
        }
        const std::size_t colon = text.find(':');
        const std::string hours = text.substr(0, colon);
        const std::string minutes = colon == std::string::npos ? "" : text.substr(colon + 1);
        if (hours.empty() || hours.size() > 2 || minutes.size() != 2 || !AllDigits(hours) ||
            !AllDigits(minutes) || std::stoi(hours) > 23 || std::stoi(minutes) > 59) {
            Fault(std::string(column) + " \"" + Utf8(text) + "\" is not a time HH:MM");
            return -1;
        }
        return std::stoi(hours) * 60 + std::stoi(minutes);
    }

    std::optional<std::pair<int, int>> Band() {
        const std::optional<int> from = Minute("from");
        const std::optional<int> to = Minute("to");
        if (!from && !to) {
            return std::nullopt;
        }
        if (!from || !to) {
            Fault("a band needs both from and to");
        } else if (*from >= 0 && *from == *to) {
            Fault("the band from " + Field("from") + " to " + Field("to") + " is empty");
        }
        if (!from || !to || *from < 0 || *to < 0 || *from == *to) {
            return std::nullopt;
        }
        return std::make_pair(*from, *to);
    }

    std::optional<std::int64_t> ValidFrom() {
        const std::string text = Field("valid_from");
        if (text.empty()) {
            return std::nullopt;
        }
        const std::optional<TDateTime> day = text.size() == 10 ? ParseDateTime(text) : std::nullopt;
        if (!day) {
            Fault("valid_from \"" + Utf8(text) + "\" is not a date YYYY-MM-DD");
            return std::nullopt;
        }
        return SecondsOf(*day);
    }

    const std::map<std::string, std::size_t>& Columns;
    const TFields& Fields;
    std::size_t Line;
    TFaultList& Faults;
};

std::map<std::string, std::size_t> HeaderColumns(const TFields& header, std::size_t line,
                                                 TFaultList& faults) {
    std::map<std::string, std::size_t> columns;
    for (std::size_t i = 0; i < header.size(); ++i) {
        std::string name = Trim(header[i]);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
        if (std::find(Columns.begin(), Columns.end(), name) == Columns.end()) {
            faults.Add(line, "unknown column \"" + text::Cp1251ToUtf8(name) + "\"");
        } else if (!columns.emplace(name, i).second) {
            faults.Add(line, "column \"" + name + "\" given twice");
        }
    }
    for (const std::string_view name : Required) {
        if (columns.find(std::string(name)) == columns.end()) {
            faults.Add(line, "missing column \"" + std::string(name) + "\"");
        }
    }
    return columns;
}

void FindTies(const std::vector<TTariffRow>& rows, TFaultList& faults) {
    const std::vector<std::size_t> ties = EarlierTies(rows);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (ties[i] != NoTie) {
            faults.Add(rows[i].Line, "ties with line " + std::to_string(rows[ties[i]].Line) +
                                         " for some calls (same prefix \"" + rows[i].Prefix +
                                         "\", trunk and valid_from, overlapping days and band)");
        }
    }
}

std::string FaultList(const std::vector<TTariffFault>& faults, std::size_t more) {
    std::string list;
    for (const TTariffFault& fault : faults) {
        list += "line " + std::to_string(fault.Line) + ": " + fault.What + "\n";
    }
    if (more > 0) {
        list += "and " + std::to_string(more) + " more faults\n";
    }
    return list;
}

} // namespace

ETariffError::ETariffError(std::vector<TTariffFault> faults, std::size_t more)
    : std::runtime_error(FaultList(faults, more)), Faults_(std::move(faults)), More_(more) {}

TTariffTable ReadTariffText(std::string_view bytes, const std::string& fileName) {
    const std::string text = AsCp1251(bytes);
    const auto records = Records(text);
    TFaultList faults;
    if (records.empty()) {
        throw ETariffError({{1, "no header row"}});
    }
    const auto& [headerLine, header] = records.front();
    const auto columns = HeaderColumns(header, headerLine, faults);
    std::vector<TTariffRow> rows;
    for (std::size_t i = 1; i < records.size(); ++i) {
        const auto& [line, fields] = records[i];
        if (fields.size() > header.size()) {
            faults.Add(line, "more fields than the header has columns");
            continue;
        }
        rows.push_back(TRowReader(columns, fields, line, faults).Row());
    }
    if (faults.Empty()) {
        FindTies(rows, faults);
    }
    if (!faults.Empty()) {
        faults.Throw();
    }
    return TTariffTable(std::move(rows), fileName);
}

TTariffTable ReadTariffFile(const std::filesystem::path& file) {
    std::string bytes;
    ReadFileBlocks(file, 0, UINT64_MAX, [&bytes](std::string_view block) { bytes += block; });
    const std::u8string name = file.u8string();
    return ReadTariffText(bytes, std::string(name.begin(), name.end()));
}

} // namespace tallyvox::report
