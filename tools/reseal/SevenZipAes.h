// 7zAES: AES-256 in CBC mode under a key derived from the password with SHA-256. The coder
// properties carry the derivation's round count (as a power of two), the salt and the
// initialisation vector.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

using AesKey = std::array<uint8_t, 32>;
using AesBlock = std::array<uint8_t, 16>;

struct AesProperties {
    unsigned cyclesPower = 0; // the key takes 2^cyclesPower SHA-256 rounds
    std::vector<uint8_t> salt;
    AesBlock initVector{};
    size_t initVectorOffset = 0; // within the properties
};

// Only properties with a 16-byte initialisation vector can be re-encrypted in place; throws
// std::runtime_error("unsupported 7zAES properties") for others.
AesProperties ReadAesProperties(std::span<const uint8_t> properties);

// SHA-256 over salt, UTF-16LE password and a 64-bit round counter, once per round.
AesKey DeriveAesKey(const AesProperties& properties, std::span<const uint8_t> password);

// The password as 7-Zip hashes it, UTF-16LE; throws std::runtime_error for text not in UTF-8.
std::vector<uint8_t> PasswordBytes(const std::string& utf8);

// CBC over whole blocks, no padding; data.size() must be a multiple of 16.
std::vector<uint8_t> AesCbcDecrypt(const AesKey& key, const AesBlock& initVector,
                                   std::span<const uint8_t> data);
std::vector<uint8_t> AesCbcEncrypt(const AesKey& key, const AesBlock& initVector,
                                   std::span<const uint8_t> data);

std::array<uint8_t, 32> Sha256(std::span<const uint8_t> first, std::span<const uint8_t> second);
