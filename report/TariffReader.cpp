#include "report/TariffReader.h"

#include <algorithm>
#include <sstream>

#include "report/Period.h"
#include "report/TariffTies.h"
#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

using TFields = TTableFields;

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
                                            "valid_from",
                                            "class"};
const std::vector<std::string_view> Required{"prefix", "name", "price_per_minute"};

// Reads one row's fields by column; each fault goes to faults.
class TRowReader {
public:
    TRowReader(const TTableColumns& columns, const TFields& fields, std::size_t line,
               TFaultList& faults)
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
        row.Class = Class();
        return row;
    }

private:
    std::string Field(const char* column) const { return TableField(Columns, Fields, column); }
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
            part = TrimBlanks(part);
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

    TDestinationClass Class() {
        const std::string text = Field("class");
        const std::optional<TDestinationClass> found = DestinationClassByName(text);
        if (!found) {
            Fault("class \"" + Utf8(text) +
                  "\" is not local, long_distance, mobile, international or other");
        }
        return found.value_or(TDestinationClass::Other);
    }

    const TTableColumns& Columns;
    const TFields& Fields;
    std::size_t Line;
    TFaultList& Faults;
};

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

} // namespace

TTariffTable ReadTariffText(std::string_view bytes, const std::string& fileName) {
    TFaultList faults;
    std::vector<TTariffRow> rows;
    TTableColumns columns;
    ReadTable(bytes, Columns, Required, faults, [&](const TTableHeader& header) {
        columns = header.Columns;
        return [&](std::size_t line, const TFields& fields) {
            rows.push_back(TRowReader(columns, fields, line, faults).Row());
        };
    });
    if (faults.Empty()) {
        FindTies(rows, faults);
    }
    faults.ThrowAny();
    return TTariffTable(std::move(rows), fileName);
}

TTariffTable ReadTariffFile(const std::filesystem::path& file) {
    return ReadTariffText(ReadTableFile(file), TableFileName(file));
}

} // namespace tallyvox::report
