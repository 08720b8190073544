// Little-endian byte buffer for composing binary file formats (PE images, resources).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class ByteBuffer {
public:
    void put8(uint8_t value) { bytes_.push_back(value); }
    void put16(uint16_t value);
    void put32(uint32_t value);
    void putBytes(std::span<const uint8_t> data);
    void putText(std::string_view text);
    void putZeros(size_t count) { bytes_.resize(bytes_.size() + count, 0); }
    // Pads with `fill` until the size is a multiple of `alignment`.
    void alignTo(size_t alignment, uint8_t fill = 0);
    void patch16(size_t offset, uint16_t value);
    void patch32(size_t offset, uint32_t value);

    size_t size() const { return bytes_.size(); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::vector<uint8_t>& bytes() { return bytes_; }
    std::vector<uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};
