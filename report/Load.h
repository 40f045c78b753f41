#pragma once
// Loading a call-accounting file into a call list: lines shorter than 30
// characters are removed, header lines (those starting with a blank), lines of 46
// characters or fewer and lines that do not parse are left out of the calls.

#include <string>
#include <string_view>

#include "report/Lists.h"

namespace tallyvox::report {

// Reads the file and parses it. Line ends may be CR LF, LF or CR. Throws
// std::system_error (with the platform's error number and the file name) when the
// file cannot be opened or read. Any thread; the file is read in blocks, so the
// memory taken is that of the calls, not of the whole file.
TCallList LoadCallFile(const std::string& fileName);

// The same on bytes in memory.
TCallList LoadCallText(std::string_view bytes);

// Reads the bytes of a file block by block into a call list; LoadCallFile is
// made of it. Lines may be split across blocks.
class TCallTextLoader {
public:
    // sizeHint: the expected size of the whole text, to reserve the calls at once.
    explicit TCallTextLoader(std::size_t sizeHint = 0);
    void Feed(std::string_view bytes);
    // Ends the text (a last line without a line end counts) and gives the list.
    TCallList Finish();

private:
    void Line(std::string_view line);

    TCallList Calls;
    std::string Partial; // the start of a line that the next block continues
    std::size_t Lines = 0;
    bool AfterCr =
        false; // the last block ended with CR: an LF at the start of the next is its pair
};

// "Кол-во строк: " and the line count of calls (Windows-1251).
std::string LineCountCaption(const TCallList& calls);

} // namespace tallyvox::report
