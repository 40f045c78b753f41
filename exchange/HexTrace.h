#pragma once
// A trace sink that writes every byte crossing the line as hexadecimal text, one
// line per run of bytes in the same direction: "> 84 01 5A 5A" for bytes sent,
// "< 00 00" for bytes received.

#include <ostream>

#include "exchange/ObjectHeader.h"
#include "exchange/Trace.h"

namespace tallyvox {

class THexTrace : public TTraceSink {
public:
    // The stream must outlive the sink.
    explicit THexTrace(std::ostream& out) : Out(out) {}
    // Ends the last line.
    ~THexTrace() override;
    THexTrace(const THexTrace&) = delete;
    THexTrace& operator=(const THexTrace&) = delete;

    void Sent(std::uint8_t byte) override { Write('>', byte); }
    void Received(std::uint8_t byte) override { Write('<', byte); }

private:
    void Write(char direction, std::uint8_t byte);

    std::ostream& Out;
    char Direction = '\0';
};

} // namespace tallyvox
