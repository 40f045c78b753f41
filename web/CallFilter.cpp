#include "web/CallFilter.h"

#include <algorithm>
#include <charconv>

namespace tallyvox::web {

namespace {

bool Digits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

std::string UrlEncoded(const std::string& text) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '_' || c == '.' || c == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += Hex[byte >> 4];
            encoded += Hex[byte & 15];
        }
    }
    return encoded;
}

} // namespace

std::string TCallFilter::Query() const {
    std::string query;
    for (const auto& [name, value] : {std::pair<const char*, const std::string&>{"from", From},
                                      {"to", To},
                                      {"line", Line},
                                      {"prefix", Prefix},
                                      {"min_duration", MinDuration},
                                      {"min_cost", MinCost},
                                      {"direction", Direction},
                                      {"trunk", Trunk}}) {
        if (!value.empty()) {
            query += (query.empty() ? "" : "&") + std::string(name) + "=" + UrlEncoded(value);
        }
    }
    return query;
}

TCallFilter FilterOf(const std::function<std::string(const std::string&)>& param) {
    TCallFilter filter{param("from"),      param("to"),           param("line"),
                       param("prefix"),    param("min_duration"), param("min_cost"),
                       param("direction"), param("trunk"),        1};
    const std::string page = param("page");
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(page.data(), page.data() + page.size(), number);
    if (error == std::errc() && end == page.data() + page.size() && number > 0) {
        filter.Page = number;
    }
    return filter;
}

std::optional<TCallQuery> ParseFilter(const TCallFilter& filter, std::vector<std::string>& faults) {
    TCallQuery query;
    const std::size_t before = faults.size();
    const auto day = [&](const std::string& text, bool endOfDay, const char* what) {
        std::optional<report::TDateTime> parsed;
        if (!text.empty()) {
            parsed = text.size() == 10 ? report::ParseDateTime(text, endOfDay) : std::nullopt;
            if (!parsed) {
                faults.push_back(std::string(what) + ": дата в виде ГГГГ-ММ-ДД");
            }
        }
        return parsed;
    };
    query.Period.From = day(filter.From, false, "С");
    query.Period.To = day(filter.To, true, "По");
    const auto digitsOnly = [&](const std::string& text, const char* what) {
        if (!text.empty() && (!Digits(text) || text.size() > 32)) {
            faults.push_back(std::string(what) + ": только цифры");
        }
        return text;
    };
    query.Line = digitsOnly(filter.Line, "Линия");
    query.Prefix = filter.Prefix;
    if (query.Prefix.find_first_not_of("0123456789+*#") != std::string::npos ||
        query.Prefix.size() > 32) {
        faults.push_back("Префикс: цифры, +, * или #");
    }
    query.Trunk = filter.Trunk;
    if (const std::string seconds = digitsOnly(filter.MinDuration, "Длительность");
        Digits(seconds) && seconds.size() <= 6) {
        query.MinSeconds = static_cast<std::uint32_t>(std::stoul(seconds));
    }
    if (!filter.MinCost.empty()) {
        const std::optional<report::TPrice> price = report::ParsePrice(filter.MinCost);
        if (!price) {
            faults.push_back("Стоимость: сумма вида 1,50");
        } else {
            query.MinCents = (*price + 99) / 100;
        }
    }
    if (filter.Direction == "out") {
        query.Direction = TDirection::Outgoing;
    } else if (filter.Direction == "in") {
        query.Direction = TDirection::Incoming;
    } else if (!filter.Direction.empty()) {
        faults.push_back("Направление: out или in");
    }
    if (faults.size() != before) {
        return std::nullopt;
    }
    return query;
}

std::vector<std::uint32_t> SelectCalls(const TPricedCalls& calls, const TScope& scope,
                                       const TCallQuery& query) {
    std::vector<std::uint32_t> kept;
    for (std::size_t i = 0; i < calls.Calls.Count(); ++i) {
        const report::TExtStr_rep& call = calls.Calls[i];
        if (!query.Period.Holds(call.Start) || !scope.Holds(call) ||
            (!query.Line.empty() && LineDigits(call.HardwareLine) != query.Line) ||
            !scope.PrefixMatches(call.DialledNumber, query.Prefix) ||
            (!query.Trunk.empty() && LineDigits(call.Trunk) != query.Trunk) ||
            static_cast<std::uint32_t>(call.TotalSeconds) < query.MinSeconds ||
            (query.Direction == TDirection::Outgoing && call.IsIncoming()) ||
            (query.Direction == TDirection::Incoming && !call.IsIncoming())) {
            continue;
        }
        if (query.MinCents > 0 && (!calls.Priced || calls.Costs.Calls[i].Cost < query.MinCents)) {
            continue;
        }
        kept.push_back(static_cast<std::uint32_t>(i));
    }
    return kept;
}

} // namespace tallyvox::web
