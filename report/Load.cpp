#include "report/Load.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "callfile/CallLine.h"
#include "report/FileBlocks.h"
#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

// Shorter lines are removed before anything else and are not counted.
constexpr std::size_t ShortestKeptLine = 30;
// The shortest line that can hold a call and its line end: calls of a file
// cannot outnumber its size divided by this.
constexpr std::size_t ShortestCallWithLineEnd = 48;

// text without its blanks; copied into scratch only when blanks stand between
// its characters (the padding around a field is just left out).
// The end of the text from first to last without its trailing blanks. A line
// ends in a run of them: they are skipped eight at a time.
const char* EndWithoutBlanks(const char* first, const char* last) {
    static constexpr char EightBlanks[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    while (last - first >= 8 && std::memcmp(last - 8, EightBlanks, 8) == 0) {
        last -= 8;
    }
    while (last != first && last[-1] == ' ') {
        --last;
    }
    return last;
}

// Plain loops: the fields are a few characters long, too short for a library search.
std::string_view WithoutBlanks(std::string_view text, std::string& scratch) {
    const char* first = text.data();
    const char* last = EndWithoutBlanks(first, first + text.size());
    while (first != last && *first == ' ') {
        ++first;
    }
    text = std::string_view(first, static_cast<std::size_t>(last - first));
    if (std::find(first, last, ' ') == last) {
        return text;
    }
    scratch.clear();
    callfile::AppendWithoutBlanks(text, scratch);
    return scratch;
}

} // namespace

TCallReader::TCallReader(TCallConsumer consumer) : Consumer(std::move(consumer)) {}

void TCallReader::Line(std::string_view line) {
    if (line.size() < ShortestKeptLine) {
        return;
    }
    ++Lines;
    if (callfile::IsSkippedLine(line)) {
        return;
    }
    const std::optional<callfile::TCallLineView> fields = callfile::ParseCallLineView(line);
    if (!fields) {
        return;
    }
    TExtStr_rep call;
    call.Start = {static_cast<std::uint16_t>(fields->Year),
                  static_cast<std::uint8_t>(fields->Month),
                  static_cast<std::uint8_t>(fields->Day),
                  static_cast<std::uint8_t>(fields->StartHour),
                  static_cast<std::uint8_t>(fields->StartMinute),
                  static_cast<std::uint8_t>(fields->StartSecond)};
    call.DurationHours = static_cast<std::uint16_t>(fields->DurationHours);
    call.DurationMinutes = static_cast<std::uint16_t>(fields->DurationMinutes);
    call.DurationSeconds = static_cast<std::uint16_t>(fields->DurationSeconds);
    call.TotalSeconds =
        fields->DurationHours * 3600 + fields->DurationMinutes * 60 + fields->DurationSeconds;
    call.HardwareLine = fields->HardwareLine;
    call.ProgramNumber = WithoutBlanks(fields->ProgramNumberField, ProgramNumber);
    call.Trunk = fields->Trunk;
    call.DialledNumber = WithoutBlanks(fields->DialledNumberField, DialledNumber);
    Current = line;
    Consumer(call);
}

void TCallReader::Feed(std::string_view bytes) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    if (AfterCr && p != end) {
        AfterCr = false;
        if (*p == '\n') {
            ++p;
        }
    }
    // The next LF is found once and kept while CR-ended lines come before it.
    const char* nextLf = nullptr;
    while (p != end) {
        if (nextLf == nullptr || nextLf < p) {
            const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
            nextLf = found ? static_cast<const char*>(found) : end;
        }
        const void* cr = std::memchr(p, '\r', static_cast<std::size_t>(nextLf - p));
        const char* lineEnd = cr ? static_cast<const char*>(cr) : nextLf;
        if (lineEnd == end) {
            Partial.append(p, lineEnd);
            return;
        }
        std::string_view line(p, static_cast<std::size_t>(lineEnd - p));
        if (!Partial.empty()) {
            Partial.append(line);
            Line(Partial);
            Partial.clear();
        } else {
            Line(line);
        }
        p = lineEnd + 1;
        if (*lineEnd == '\r') {
            if (p == end) {
                AfterCr = true;
            } else if (*p == '\n') {
                ++p;
            }
        }
    }
}

std::size_t TCallReader::Finish() {
    if (!Partial.empty()) {
        Line(Partial);
        Partial.clear();
    }
    return Lines;
}

TCallTextLoader::TCallTextLoader(std::uint64_t sizeHint)
    : Reader([this](const TExtStr_rep& call) { Calls.Append(call); }), SizeHint(sizeHint) {}

void TCallTextLoader::Feed(std::string_view bytes) {
    Reader.Feed(bytes);
    if (Reserved || bytes.empty()) {
        return;
    }
    // Room for the calls the whole text holds if it goes on as its first block
    // does (and an eighth more), never more than it can hold: a large file that
    // is no call file reserves next to nothing. Untouched room costs address
    // space only, so the calls rarely move.
    Reserved = true;
    const std::uint64_t most = SizeHint / ShortestCallWithLineEnd + 1;
    const double perByte = static_cast<double>(Calls.Count()) / static_cast<double>(bytes.size());
    const double expected = perByte * static_cast<double>(SizeHint) * 9 / 8 + 1;
    Calls.Reserve(static_cast<std::size_t>(std::min(expected, static_cast<double>(most))));
}

TCallList TCallTextLoader::Finish() {
    Calls.SetLineCount(Reader.Finish());
    return std::move(Calls);
}

TCallList LoadCallText(std::string_view bytes) {
    TCallTextLoader loader(bytes.size());
    loader.Feed(bytes);
    return loader.Finish();
}

TCallList LoadCallFile(const std::filesystem::path& file) {
    TCallTextLoader loader(FileSizeOrZero(file));
    ReadFileBlocks(file, 0, UINT64_MAX, [&](std::string_view bytes) { loader.Feed(bytes); });
    return loader.Finish();
}

std::size_t ReadCallFile(const std::filesystem::path& file, const TCallConsumer& consumer) {
    TCallReader reader(consumer);
    ReadFileBlocks(file, 0, UINT64_MAX, [&](std::string_view bytes) { reader.Feed(bytes); });
    return reader.Finish();
}

std::string LineCountCaption(std::size_t lineCount) {
    static const std::string caption = text::Utf8ToCp1251("Кол-во строк: ");
    return caption + std::to_string(lineCount);
}

std::string LineCountCaption(const TCallList& calls) {
    return LineCountCaption(calls.LineCount());
}

} // namespace tallyvox::report
