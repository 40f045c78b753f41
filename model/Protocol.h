#pragma once
// The bytes of the exchange protocol, shared by the host and the simulator.

#include <cstddef>
#include <cstdint>

namespace tallyvox::protocol {

inline constexpr std::uint8_t Probe = 0x00;
inline constexpr std::uint8_t ProbeReady = 0x00;
inline constexpr std::uint8_t Identify = 0x01;
inline constexpr std::uint8_t FirstRecord = 0x02;
inline constexpr std::uint8_t NextRecord = 0x03;
inline constexpr std::uint8_t Select = 0x84; // then 0x01, i ^ key, checksum
inline constexpr std::uint8_t SelectLength = 0x01;
inline constexpr std::uint8_t Status = 0x40; // then StatusSub
inline constexpr std::uint8_t StatusSub = 0x03;
inline constexpr std::uint8_t RealTime = 0xF0; // then 0x01, 0x01, 0xFF ^ key, checksum
inline constexpr std::uint8_t RealTimePrefix = 0x01;
inline constexpr std::uint8_t RealTimePayload = 0xFF;

// Erased record marker: the first two payload bytes.
inline constexpr std::uint8_t ErasedByte0 = 0x0F;
inline constexpr std::uint8_t ErasedByte1 = 0xFF;

// Call record layout (byte offsets); the dialled digits run from RecDialled to the end.
inline constexpr std::size_t RecStartDays = 0;
inline constexpr std::size_t RecStartTicks = 2;
inline constexpr std::size_t RecDurationTicks = 4;
inline constexpr std::size_t RecHardwareLine = 6;
inline constexpr std::size_t RecProgramLow = 8;
inline constexpr std::size_t RecProgramHigh = 9;
inline constexpr std::size_t RecTrunkCode = 10;
inline constexpr std::size_t RecDialled = 11;

// Identification reply layout (byte offsets).
inline constexpr int IdDays = 0;
inline constexpr int IdTicks = 2;
inline constexpr int IdModel = 5;
inline constexpr int IdVersionNibbles = 6;
inline constexpr int IdVersionMain = 7;
inline constexpr int IdKey = 11;
inline constexpr int IdTimeUnit = 13;
inline constexpr int IdSerial = 14;
inline constexpr int IdModelName = 16;
inline constexpr int IdModelNameLength = 7;

// Line format: 19200 baud, 8 data bits, no parity, 2 stop bits (11 bits a byte).
inline constexpr int BaudRate = 19200;
inline constexpr int BitsPerByte = 11;

// A link check: one probe and up to ten retries until one is answered.
inline constexpr int LinkCheckProbes = 11;

// How long the host waits for each byte of a reply.
inline constexpr unsigned ReplyByteMs = 500;

} // namespace tallyvox::protocol
