// Little-endian reading over a block of bytes held in memory. Reading past the end raises
// the run-time library's stream read error, as a stream that is cut short does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::int32_t ReadInt32();
    std::uint16_t ReadUInt16();
    std::uint32_t ReadUInt32();
    std::uint8_t ReadByte();
    // The next count bytes, in place; raises when fewer remain.
    std::span<const std::uint8_t> ReadBytes(std::size_t count);
    // The next count bytes without moving on.
    std::span<const std::uint8_t> Peek(std::size_t count) const;

    std::size_t Position() const { return position_; }
    std::size_t Remaining() const { return bytes_.size() - position_; }
    std::span<const std::uint8_t> Rest() const { return bytes_.subspan(position_); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};
