#include "skin/ByteReader.h"

#include "skin/SkinErrors.h"

std::span<const std::uint8_t> ByteReader::Peek(std::size_t count) const {
    if (count > Remaining())
        throw EReadError(kStreamReadError);
    return bytes_.subspan(position_, count);
}

std::span<const std::uint8_t> ByteReader::ReadBytes(std::size_t count) {
    auto result = Peek(count);
    position_ += count;
    return result;
}

std::uint8_t ByteReader::ReadByte() {
    return ReadBytes(1)[0];
}

std::uint16_t ByteReader::ReadUInt16() {
    auto b = ReadBytes(2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t ByteReader::ReadUInt32() {
    auto b = ReadBytes(4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::int32_t ByteReader::ReadInt32() {
    return static_cast<std::int32_t>(ReadUInt32());
}
