#pragma once
// Loading a call-accounting file into a call list: lines shorter than 30
// characters are removed, header lines (those starting with a blank), lines of 46
// characters or fewer and lines that do not parse are left out of the calls.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "report/Lists.h"

namespace tallyvox::report {

// Reads the file and parses it. Line ends may be CR LF, LF or CR. Throws
// std::system_error (with the platform's error number and the file name) when the
// file cannot be opened or read. Any thread; the file is read in blocks, so the
// memory taken is that of the calls, not of the whole file.
TCallList LoadCallFile(const std::filesystem::path& file);

// The same on bytes in memory.
TCallList LoadCallText(std::string_view bytes);

// Gets each call of a text as it is read; its texts are valid during the call only.
using TCallConsumer = std::function<void(const TExtStr_rep& call)>;

// Reads the bytes of a call-accounting file block by block (lines may be split
// across blocks) and hands every call to a consumer, in file order, keeping none.
class TCallReader {
public:
    explicit TCallReader(TCallConsumer consumer);
    void Feed(std::string_view bytes);
    // Ends the text (a last line without a line end counts); the line count (the
    // lines of 30 characters or more).
    std::size_t Finish();
    // The line of the call being handed to the consumer, as it stands in the
    // file without its line end; valid only inside the consumer.
    std::string_view CurrentLine() const { return Current; }

private:
    void Line(std::string_view line);

    TCallConsumer Consumer;
    std::string Partial;       // the start of a line that the next block continues
    std::string ProgramNumber; // the texts of the current call without their blanks
    std::string DialledNumber;
    std::string_view Current;
    std::size_t Lines = 0;
    bool AfterCr =
        false; // the last block ended with CR: an LF at the start of the next is its pair
};

// Reads a file through a TCallReader (for the totals of a file without keeping
// its calls); the line count. Throws as LoadCallFile.
std::size_t ReadCallFile(const std::filesystem::path& file, const TCallConsumer& consumer);

// Reads the bytes of a file block by block into a call list; LoadCallFile is
// made of it.
class TCallTextLoader {
public:
    // sizeHint: the expected size of the whole text, to reserve the calls at once.
    explicit TCallTextLoader(std::uint64_t sizeHint = 0);
    void Feed(std::string_view bytes);
    // Ends the text and gives the list.
    TCallList Finish();

private:
    TCallList Calls;
    TCallReader Reader;
    std::uint64_t SizeHint;
    bool Reserved = false;
};

// "Кол-во строк: " and the line count (Windows-1251).
std::string LineCountCaption(const TCallList& calls);
std::string LineCountCaption(std::size_t lineCount);

} // namespace tallyvox::report
