#include "ByteBuffer.h"

#include <stdexcept>

void ByteBuffer::put16(uint16_t value) {
    put8(static_cast<uint8_t>(value));
    put8(static_cast<uint8_t>(value >> 8));
}

void ByteBuffer::put32(uint32_t value) {
    put16(static_cast<uint16_t>(value));
    put16(static_cast<uint16_t>(value >> 16));
}

void ByteBuffer::putBytes(std::span<const uint8_t> data) {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
}

void ByteBuffer::putText(std::string_view text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
}

void ByteBuffer::alignTo(size_t alignment, uint8_t fill) {
    while (bytes_.size() % alignment != 0)
        bytes_.push_back(fill);
}

void ByteBuffer::patch16(size_t offset, uint16_t value) {
    if (offset + 2 > bytes_.size())
        throw std::out_of_range("ByteBuffer::patch16 beyond the end");
    bytes_[offset] = static_cast<uint8_t>(value);
    bytes_[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void ByteBuffer::patch32(size_t offset, uint32_t value) {
    patch16(offset, static_cast<uint16_t>(value));
    patch16(offset + 2, static_cast<uint16_t>(value >> 16));
}
