#include "report/DirectoryReader.h"

#include <algorithm>
#include <optional>
#include <tuple>

#include "report/Period.h"
#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

const std::vector<std::string_view> Columns{"line",  "number",     "trunk",
                                            "name",  "department", "cost_centre",
                                            "email", "valid_from", "valid_to"};
const std::vector<std::string_view> Required{"name", "department"};
const std::vector<std::pair<std::string_view, TDirectoryKey>> KeyColumns{
    {"line", TDirectoryKey::Line},
    {"number", TDirectoryKey::Number},
    {"trunk", TDirectoryKey::Trunk}};

std::string Utf8(const std::string& cp1251) {
    return text::Cp1251ToUtf8(cp1251);
}

// Reads one row's fields by column; each fault goes to faults.
class TEntryReader {
public:
    TEntryReader(const TTableColumns& columns, const TTableFields& fields, std::size_t line,
                 TFaultList& faults)
        : Columns(columns), Fields(fields), Line(line), Faults(faults) {}

    TDirectoryEntry Entry() {
        TDirectoryEntry entry;
        entry.Line = Line;
        Key(entry);
        entry.Name = Field("name");
        entry.Department = Field("department");
        entry.CostCentre = Field("cost_centre");
        entry.Email = Field("email");
        if (entry.Name.empty()) {
            Fault("no name");
        }
        if (entry.Department.empty() && entry.Kind != TDirectoryKey::Trunk) {
            Fault("no department");
        }
        const std::optional<TDateTime> from = Day("valid_from", false);
        const std::optional<TDateTime> to = Day("valid_to", true);
        entry.From = from ? SecondsOf(*from) : entry.From;
        entry.To = to ? SecondsOf(*to) : entry.To;
        if (entry.To < entry.From) {
            Fault("valid_to " + Field("valid_to") + " is before valid_from " + Field("valid_from"));
        }
        return entry;
    }

private:
    std::string Field(std::string_view column) const { return TableField(Columns, Fields, column); }
    void Fault(const std::string& what) { Faults.Add(Line, what); }

    // Exactly one of line, number and trunk names what the row is about.
    void Key(TDirectoryEntry& entry) {
        int named = 0;
        for (const auto& [column, kind] : KeyColumns) {
            const std::string text = Field(column);
            if (!text.empty()) {
                ++named;
                entry.Kind = kind;
                entry.Key = text;
            }
        }
        if (named != 1) {
            Fault("a row names exactly one line, number or trunk");
        } else if (entry.Kind != TDirectoryKey::Trunk && !AllDigits(entry.Key)) {
            Fault(std::string(entry.Kind == TDirectoryKey::Line ? "line" : "number") + " \"" +
                  Utf8(entry.Key) + "\" is not digits");
        }
    }

    std::optional<TDateTime> Day(const char* column, bool endOfDay) {
        const std::string text = Field(column);
        if (text.empty()) {
            return std::nullopt;
        }
        const std::optional<TDateTime> day =
            text.size() == 10 ? ParseDateTime(text, endOfDay) : std::nullopt;
        if (!day) {
            Fault(std::string(column) + " \"" + Utf8(text) + "\" is not a date YYYY-MM-DD");
        }
        return day;
    }

    const TTableColumns& Columns;
    const TTableFields& Fields;
    std::size_t Line;
    TFaultList& Faults;
};

void FindKeyColumn(const TTableHeader& header, TFaultList& faults) {
    const bool any = std::any_of(KeyColumns.begin(), KeyColumns.end(), [&](const auto& key) {
        return header.Columns.count(std::string(key.first)) > 0;
    });
    if (!any) {
        faults.Add(header.Line, "missing column \"line\", \"number\" or \"trunk\"");
    }
}

// Rows of one key whose days overlap: each is a fault naming a row before it in
// time that it overlaps. The rows are taken in order of key and first day, so a
// directory of thousands of rows is checked in a sort.
void FindOverlaps(const std::vector<TDirectoryEntry>& entries, TFaultList& faults) {
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    auto sortKey = [&entries](std::size_t i) {
        return std::tie(entries[i].Kind, entries[i].Key, entries[i].From, entries[i].Line);
    };
    std::sort(order.begin(), order.end(),
              [&sortKey](std::size_t a, std::size_t b) { return sortKey(a) < sortKey(b); });
    std::vector<std::pair<std::size_t, std::size_t>> overlaps; // the row's line, the other's
    const TDirectoryEntry* reach = nullptr; // of this key, the row that ends last
    for (const std::size_t i : order) {
        const TDirectoryEntry& entry = entries[i];
        if (reach == nullptr || reach->Kind != entry.Kind || reach->Key != entry.Key) {
            reach = &entry;
            continue;
        }
        if (entry.From <= reach->To) {
            overlaps.emplace_back(entry.Line, reach->Line);
        }
        reach = entry.To > reach->To ? &entry : reach;
    }
    std::sort(overlaps.begin(), overlaps.end());
    for (const auto& [line, other] : overlaps) {
        faults.Add(line, "its days overlap those of line " + std::to_string(other) +
                             " for the same line, number or trunk");
    }
}

} // namespace

TDirectory ReadDirectoryText(std::string_view bytes, const std::string& fileName) {
    TFaultList faults;
    std::vector<TDirectoryEntry> entries;
    TTableColumns columns;
    ReadTable(bytes, Columns, Required, faults, [&](const TTableHeader& header) {
        columns = header.Columns;
        FindKeyColumn(header, faults);
        return [&](std::size_t line, const TTableFields& fields) {
            entries.push_back(TEntryReader(columns, fields, line, faults).Entry());
        };
    });
    if (faults.Empty()) {
        FindOverlaps(entries, faults);
    }
    faults.ThrowAny();
    return TDirectory(std::move(entries), fileName);
}

TDirectory ReadDirectoryFile(const std::filesystem::path& file) {
    return ReadDirectoryText(ReadTableFile(file), TableFileName(file));
}

} // namespace tallyvox::report
