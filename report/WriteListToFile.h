#pragma once
// Saving an export under a file name. The lines go to a new file beside the
// target, which then takes the target's name, so a failed export never leaves a
// half-written file under it (an existing one stays as it was).

#include <string>

#include "report/Export.h"
#include "report/WriteResult.h"

namespace tallyvox::report {

// Result codes of WriteListToFile.
constexpr int WriteOk = 0;
constexpr int WriteFailed = -1;      // writing, closing or renaming failed
constexpr int WriteCannotOpen = -2;  // the file could be neither created nor opened
constexpr int WriteCannotClose = -3; // the file opened, but closing it failed

// Writes every line of lines, each followed by CR LF, replacing any file of that
// name; returns one of the codes above and, for every code but WriteOk, stores
// the platform's error number into lastErrno. A target that is not a plain file
// (a device, a pipe) is written in place. Any thread.
int WriteListToFile(int& lastErrno, const TExportLines& lines, const std::string& fileName);

// The message of a failed result, "Непонятное исключение. errno = 28" and so on
// (Windows-1251); empty for WriteOk. The window shows it with the text "Ошибка".
std::string WriteListMessage(int result, int lastErrno);
// Writes lines as WriteListToFile does, answering as every writer of the report
// does (Code is WriteListToFile's result).
TWriteResult SaveExport(const TExportLines& lines, const std::string& fileName);

// "Ошибка" (Windows-1251).
std::string WriteErrorText();

} // namespace tallyvox::report
