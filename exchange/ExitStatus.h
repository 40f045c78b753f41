#pragma once
// The program's exit statuses. A scheduled, automatic run ends with one of them
// so that whatever started it can tell what happened without a person looking
// at the screen; README.md lists them.

namespace tallyvox {

inline constexpr int ExitDone = 0;
// An exchange refused selection during identification (the program ends at once).
inline constexpr int ExitSelectionRefused = 3;
// The automatic read could not start: the exchange did not answer (port not
// opened, no identification), or the program has no port chosen yet.
inline constexpr int ExitExchangeAbsent = 4;
// The automatic read ended because the exchange stopped answering; calls may
// still wait in the exchange.
inline constexpr int ExitLinkLost = 5;
// The call-accounting file was not chosen or cannot be appended to: nothing was
// read, the calls stay in the exchange.
inline constexpr int ExitFileNotWritable = 6;
// Lines that could not reach the call-accounting file were saved to a rescue
// file in the start folder.
inline constexpr int ExitLinesRescued = 7;
// Lines could not be written even to a rescue file; they were printed on
// standard error as the last copy.
inline constexpr int ExitLinesLost = 8;
// The read stopped on an unexpected error of the program itself; the lines read
// until then are kept, calls may still wait in the exchange.
inline constexpr int ExitReadFailed = 9;
// The port is held by another program (the window, another collector); nothing
// was read. Used by the program without a window, which names the holder.
inline constexpr int ExitPortInUse = 10;

} // namespace tallyvox
