#include "report/Load.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "callfile/CallLine.h"
#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

// Shorter lines are removed before anything else and are not counted.
constexpr std::size_t ShortestKeptLine = 30;
// The shortest line that can hold a call and its line end: calls of a file
// cannot outnumber its size divided by this.
constexpr std::size_t ShortestCallWithLineEnd = 48;
constexpr std::size_t ReadBlockSize = std::size_t{1} << 20;

TExtStr_rep CallOf(const callfile::TCallLineView& fields, TCallList& store) {
    TExtStr_rep call;
    call.Start = {static_cast<std::uint16_t>(fields.Year),
                  static_cast<std::uint8_t>(fields.Month),
                  static_cast<std::uint8_t>(fields.Day),
                  static_cast<std::uint8_t>(fields.StartHour),
                  static_cast<std::uint8_t>(fields.StartMinute),
                  static_cast<std::uint8_t>(fields.StartSecond)};
    call.DurationHours = static_cast<std::uint16_t>(fields.DurationHours);
    call.DurationMinutes = static_cast<std::uint16_t>(fields.DurationMinutes);
    call.DurationSeconds = static_cast<std::uint16_t>(fields.DurationSeconds);
    call.TotalSeconds =
        fields.DurationHours * 3600 + fields.DurationMinutes * 60 + fields.DurationSeconds;
    call.HardwareLine = store.Store(fields.HardwareLine);
    call.ProgramNumber = store.StoreWithoutBlanks(fields.ProgramNumberField);
    call.Trunk = store.Store(fields.Trunk);
    call.DialledNumber = store.StoreWithoutBlanks(fields.DialledNumberField);
    return call;
}

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::size_t SizeOrZero(const std::string& fileName) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(fileName, error);
    return error ? 0 : static_cast<std::size_t>(size);
}

} // namespace

TCallTextLoader::TCallTextLoader(std::size_t sizeHint) {
    // Untouched room costs address space only, so the calls never move.
    Calls.Reserve(sizeHint / ShortestCallWithLineEnd + 1);
}

void TCallTextLoader::Line(std::string_view line) {
    if (line.size() < ShortestKeptLine) {
        return;
    }
    ++Lines;
    if (callfile::IsSkippedLine(line)) {
        return;
    }
    const std::optional<callfile::TCallLineView> fields = callfile::ParseCallLineView(line);
    if (fields) {
        Calls.AppendStored(CallOf(*fields, Calls));
    }
}

void TCallTextLoader::Feed(std::string_view bytes) {
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

TCallList TCallTextLoader::Finish() {
    if (!Partial.empty()) {
        Line(Partial);
        Partial.clear();
    }
    Calls.SetLineCount(Lines);
    return std::move(Calls);
}

TCallList LoadCallText(std::string_view bytes) {
    TCallTextLoader loader(bytes.size());
    loader.Feed(bytes);
    return loader.Finish();
}

TCallList LoadCallFile(const std::string& fileName) {
    const std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(fileName.c_str(), "rb"));
    if (!file) {
        throw std::system_error(errno, std::generic_category(), fileName);
    }
    TCallTextLoader loader(SizeOrZero(fileName));
    const auto block = std::make_unique_for_overwrite<char[]>(ReadBlockSize);
    for (;;) {
        const std::size_t got = std::fread(block.get(), 1, ReadBlockSize, file.get());
        loader.Feed({block.get(), got});
        if (got < ReadBlockSize) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        throw std::system_error(errno, std::generic_category(), fileName);
    }
    return loader.Finish();
}

std::string LineCountCaption(const TCallList& calls) {
    static const std::string caption = text::Utf8ToCp1251("Кол-во строк: ");
    return caption + std::to_string(calls.LineCount());
}

} // namespace tallyvox::report
