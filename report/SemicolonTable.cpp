#include "report/SemicolonTable.h"

#include <algorithm>
#include <cstdint>

#include "report/FileBlocks.h"
#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

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

std::string FaultText(const std::vector<TTableFault>& faults, std::size_t more) {
    std::string list;
    for (const TTableFault& fault : faults) {
        list += "line " + std::to_string(fault.Line) + ": " + fault.What + "\n";
    }
    if (more > 0) {
        list += "and " + std::to_string(more) + " more faults\n";
    }
    return list;
}

} // namespace

ETableError::ETableError(std::vector<TTableFault> faults, std::size_t more)
    : std::runtime_error(FaultText(faults, more)), Faults_(std::move(faults)), More_(more) {}

void TFaultList::Add(std::size_t line, std::string what) {
    if (Kept.size() < MaxTableFaults) {
        Kept.push_back({line, std::move(what)});
    } else {
        ++More;
    }
}

void TFaultList::ThrowAny() {
    if (!Kept.empty()) {
        throw ETableError(std::move(Kept), More);
    }
}

void ReadTable(std::string_view bytes, const std::vector<std::string_view>& known,
               const std::vector<std::string_view>& required, TFaultList& faults,
               const std::function<TReadTableRow(const TTableHeader&)>& reader) {
    const std::vector<TTableRecord> records = TableRecords(AsCp1251(bytes));
    if (records.empty()) {
        throw ETableError({{1, "no header row"}});
    }
    const auto& [headerLine, header] = records.front();
    const TReadTableRow readRow =
        reader({HeaderColumns(header, headerLine, known, required, faults), headerLine});
    for (std::size_t i = 1; i < records.size(); ++i) {
        const auto& [line, fields] = records[i];
        if (fields.size() > header.size()) {
            faults.Add(line, "more fields than the header has columns");
        } else {
            readRow(line, fields);
        }
    }
}

std::string AsCp1251(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
        return text::Utf8ToCp1251(bytes);
    }
    return ValidUtf8(bytes) ? text::Utf8ToCp1251(bytes) : std::string(bytes);
}

std::vector<TTableRecord> TableRecords(std::string_view text) {
    std::vector<TTableRecord> records;
    TTableFields fields(1);
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
            fields.emplace_back();
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

TTableColumns HeaderColumns(const TTableFields& header, std::size_t line,
                            const std::vector<std::string_view>& known,
                            const std::vector<std::string_view>& required, TFaultList& faults) {
    TTableColumns columns;
    for (std::size_t i = 0; i < header.size(); ++i) {
        std::string name = TrimBlanks(header[i]);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            faults.Add(line, "unknown column \"" + text::Cp1251ToUtf8(name) + "\"");
        } else if (!columns.emplace(name, i).second) {
            faults.Add(line, "column \"" + name + "\" given twice");
        }
    }
    for (const std::string_view name : required) {
        if (columns.find(std::string(name)) == columns.end()) {
            faults.Add(line, "missing column \"" + std::string(name) + "\"");
        }
    }
    return columns;
}

std::string TableField(const TTableColumns& columns, const TTableFields& fields,
                       std::string_view column) {
    const auto found = columns.find(std::string(column));
    if (found == columns.end() || found->second >= fields.size()) {
        return {};
    }
    return TrimBlanks(fields[found->second]);
}

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string ReadTableFile(const std::filesystem::path& file) {
    std::string bytes;
    ReadFileBlocks(file, 0, UINT64_MAX, [&bytes](std::string_view block) { bytes += block; });
    return bytes;
}

std::string TableFileName(const std::filesystem::path& file) {
    const std::u8string name = file.u8string();
    return std::string(name.begin(), name.end());
}

} // namespace tallyvox::report
