#include "sim/CommandParser.h"

#include "model/Protocol.h"

namespace tallyvox::sim {
namespace {

// The kind and full length of a command from its first byte; length 0 for a
// byte that starts no command.
struct TShape {
    TCommandKind Kind;
    std::size_t Length;
};

TShape ShapeOf(std::uint8_t first) {
    switch (first) {
    case protocol::Probe:
        return {TCommandKind::Probe, 1};
    case protocol::Identify:
        return {TCommandKind::Identify, 1};
    case protocol::FirstRecord:
        return {TCommandKind::FirstRecord, 1};
    case protocol::NextRecord:
        return {TCommandKind::NextRecord, 1};
    case protocol::Status:
        return {TCommandKind::Status, 2};
    case protocol::Select:
        return {TCommandKind::Select, 4};
    case protocol::RealTime:
        return {TCommandKind::RealTime, 5};
    default:
        return {TCommandKind::Garbage, 0};
    }
}

} // namespace

// Fixed bytes after the first: status 0x03; select count 0x01; real-time prefix
// 0x01 and count 0x01. Payload and checksum bytes may be anything.
bool TCommandParser::Continues(std::uint8_t byte) const {
    const std::size_t at = Partial.size();
    switch (Partial.front()) {
    case protocol::Status:
        return byte == protocol::StatusSub;
    case protocol::Select:
        return at != 1 || byte == protocol::SelectLength;
    case protocol::RealTime:
        return (at != 1 || byte == protocol::RealTimePrefix) && (at != 2 || byte == 0x01);
    default:
        return false;
    }
}

void TCommandParser::Feed(std::uint8_t byte, std::vector<TCommand>& done) {
    if (Partial.empty()) {
        Start(byte, done);
        return;
    }
    if (!Continues(byte)) {
        Abandon(done);
        Start(byte, done);
        return;
    }
    Partial.push_back(byte);
    CompleteIfWhole(done);
}

void TCommandParser::Abandon(std::vector<TCommand>& done) {
    for (std::uint8_t byte : Partial) {
        done.push_back({TCommandKind::Garbage, {byte}});
    }
    Partial.clear();
}

void TCommandParser::Start(std::uint8_t byte, std::vector<TCommand>& done) {
    if (ShapeOf(byte).Length == 0) {
        done.push_back({TCommandKind::Garbage, {byte}});
        return;
    }
    Partial.push_back(byte);
    CompleteIfWhole(done);
}

void TCommandParser::CompleteIfWhole(std::vector<TCommand>& done) {
    const TShape shape = ShapeOf(Partial.front());
    if (Partial.size() == shape.Length) {
        done.push_back({shape.Kind, std::move(Partial)});
        Partial.clear();
    }
}

} // namespace tallyvox::sim
