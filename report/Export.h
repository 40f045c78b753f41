#pragma once
// The three export texts: a fixed header line, then one fixed-column line per
// grid row. A column starts at its position, or right after the end of the
// previous column where that one reaches past the position, so a long cell pushes
// the later columns right and nothing is cut.

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "report/DateFormat.h"
#include "report/Lists.h"
#include "report/Selection.h"

namespace tallyvox::report {

// The lines of one export, made one at a time, so that the export of a million
// calls never holds them all.
class TExportLines {
public:
    virtual ~TExportLines() = default;
    // The header line and one line per row.
    virtual std::size_t Count() const = 0;
    // Appends line index (0 is the header) to out, without a line end.
    virtual void AppendLine(std::size_t index, std::string& out) const = 0;
};

// The rows of the call grid ("        Начало         Длит. ...").
class TCallExport final : public TExportLines {
public:
    // rows and format must outlive the export.
    TCallExport(const TCallRows& rows, const TDateFormat& format) : Rows(rows), Format(format) {}
    std::size_t Count() const override { return Rows.Count() + 1; }
    void AppendLine(std::size_t index, std::string& out) const override;

private:
    const TCallRows& Rows;
    const TDateFormat& Format;
};

// The line totals ("Апп.АЛ     Прг.АЛ ...").
class TLineExport final : public TExportLines {
public:
    explicit TLineExport(const TLineList& lines) : Lines(lines) {}
    std::size_t Count() const override { return Lines.Count() + 1; }
    void AppendLine(std::size_t index, std::string& out) const override;

private:
    const TLineList& Lines;
};

// The trunk totals ("Апп.СЛ   Исх. трафик ...").
class TTrunkExport final : public TExportLines {
public:
    explicit TTrunkExport(const TTrunkList& trunks) : Trunks(trunks) {}
    std::size_t Count() const override { return Trunks.Count() + 1; }
    void AppendLine(std::size_t index, std::string& out) const override;

private:
    const TTrunkList& Trunks;
};

// Every line, for small exports and tests.
std::vector<std::string> ExportLines(const TExportLines& lines);

// Writes every line, each followed by CR LF, to an open stream; false when a
// write failed (errno tells why).
bool WriteExport(const TExportLines& lines, std::FILE* file);

} // namespace tallyvox::report
