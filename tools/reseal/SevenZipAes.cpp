#include "SevenZipAes.h"

#include <algorithm>
#include <iconv.h>
#include <memory>
#include <openssl/evp.h>
#include <stdexcept>

namespace {

// 7-Zip refuses more rounds than this.
constexpr unsigned kMaxCyclesPower = 24;

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

[[noreturn]] void CryptoFailed() {
    throw std::runtime_error("OpenSSL's libcrypto failed");
}

std::vector<uint8_t> AesCbc(const AesKey& key, const AesBlock& initVector,
                            std::span<const uint8_t> data, bool encrypt) {
    CipherContext context(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    std::vector<uint8_t> result(data.size());
    int written = 0;
    if (!context ||
        EVP_CipherInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, key.data(), initVector.data(),
                          encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
        EVP_CipherUpdate(context.get(), result.data(), &written, data.data(),
                         static_cast<int>(data.size())) != 1 ||
        static_cast<size_t>(written) != data.size())
        CryptoFailed();
    return result;
}

} // namespace

AesProperties ReadAesProperties(std::span<const uint8_t> properties) {
    const std::runtime_error unsupported("unsupported 7zAES properties");
    if (properties.size() < 2)
        throw unsupported;
    AesProperties result;
    result.cyclesPower = properties[0] & 0x3F;
    const size_t saltSize = (properties[0] >> 7 & 1) + (properties[1] >> 4);
    const size_t ivSize = (properties[0] >> 6 & 1) + (properties[1] & 0x0F);
    if (result.cyclesPower > kMaxCyclesPower || ivSize != result.initVector.size() ||
        properties.size() != 2 + saltSize + ivSize)
        throw unsupported;
    result.salt.assign(properties.begin() + 2, properties.begin() + 2 + saltSize);
    result.initVectorOffset = 2 + saltSize;
    std::copy_n(properties.begin() + result.initVectorOffset, ivSize, result.initVector.begin());
    return result;
}

AesKey DeriveAesKey(const AesProperties& properties, std::span<const uint8_t> password) {
    std::vector<uint8_t> round(properties.salt);
    round.insert(round.end(), password.begin(), password.end());
    const size_t counter = round.size();
    round.resize(counter + 8, 0);
    DigestContext context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        CryptoFailed();
    for (uint64_t i = 0; i < uint64_t{1} << properties.cyclesPower; ++i) {
        for (size_t b = 0; b < 8; ++b)
            round[counter + b] = static_cast<uint8_t>(i >> (8 * b));
        if (EVP_DigestUpdate(context.get(), round.data(), round.size()) != 1)
            CryptoFailed();
    }
    AesKey key;
    if (EVP_DigestFinal_ex(context.get(), key.data(), nullptr) != 1)
        CryptoFailed();
    return key;
}

std::vector<uint8_t> PasswordBytes(const std::string& utf8) {
    const iconv_t converter = iconv_open("UTF-16LE", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv cannot convert UTF-8 to UTF-16LE");
    std::string input(utf8);
    std::vector<uint8_t> output(4 * input.size());
    char* in = input.data();
    size_t inLeft = input.size();
    char* out = reinterpret_cast<char*>(output.data());
    size_t outLeft = output.size();
    const size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (converted == static_cast<size_t>(-1))
        throw std::runtime_error("the password is not UTF-8 text");
    output.resize(output.size() - outLeft);
    return output;
}

std::vector<uint8_t> AesCbcDecrypt(const AesKey& key, const AesBlock& initVector,
                                   std::span<const uint8_t> data) {
    return AesCbc(key, initVector, data, false);
}

std::vector<uint8_t> AesCbcEncrypt(const AesKey& key, const AesBlock& initVector,
                                   std::span<const uint8_t> data) {
    return AesCbc(key, initVector, data, true);
}

std::array<uint8_t, 32> Sha256(std::span<const uint8_t> first, std::span<const uint8_t> second) {
    DigestContext context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    std::array<uint8_t, 32> digest;
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), first.data(), first.size()) != 1 ||
        EVP_DigestUpdate(context.get(), second.data(), second.size()) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest.data(), nullptr) != 1)
        CryptoFailed();
    return digest;
}
