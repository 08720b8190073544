#include "ArchiveResealer.h"

#include "SevenZipAes.h"
#include "SevenZipFolders.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace {

// A wrong key decrypts to noise. 7-Zip fills the last AES block with zero bytes, and where the
// next coder is known its stream's first byte tells too: an LZMA stream starts with the range
// coder's zero byte, an LZMA2 stream with its end mark or a chunk that resets the dictionary.
// Data that fill their last block exactly and go to another coder cannot be checked cheaply.
bool DecryptedAsWritten(const std::vector<uint8_t>& plain, const EncryptedFolder& folder) {
    if (!std::all_of(plain.begin() + static_cast<ptrdiff_t>(folder.plainSize), plain.end(),
                     [](uint8_t byte) { return byte == 0; }))
        return false;
    if (folder.plainSize == 0 || !folder.nextMethod)
        return true;
    if (*folder.nextMethod == kLzmaMethod)
        return plain[0] == 0x00;
    if (*folder.nextMethod == kLzma2Method)
        return plain[0] <= 0x01 || plain[0] >= 0xE0;
    return true;
}

} // namespace

void ResealArchive(std::vector<uint8_t>& archive, const std::string& password) {
    const SevenZipFolders folders = ReadSevenZipFolders(archive);
    const std::vector<uint8_t> passwordBytes = PasswordBytes(password);
    // Folders usually share one salt and round count: derive each key once.
    std::map<std::pair<unsigned, std::vector<uint8_t>>, AesKey> keys;
    for (const EncryptedFolder& folder : folders.encrypted) {
        const std::span<uint8_t> properties(archive.data() + folder.propertiesOffset,
                                            folder.propertiesSize);
        const AesProperties aes = ReadAesProperties(properties);
        auto [known, added] = keys.try_emplace({aes.cyclesPower, aes.salt});
        if (added)
            known->second = DeriveAesKey(aes, passwordBytes);
        const AesKey& key = known->second;

        const std::span<uint8_t> packed(archive.data() + folder.packOffset, folder.packSize);
        const std::vector<uint8_t> plain = AesCbcDecrypt(key, aes.initVector, packed);
        if (!DecryptedAsWritten(plain, folder))
            throw std::runtime_error("folder " + std::to_string(folder.folderNumber) +
                                     ": wrong password (the data do not decrypt to what 7-Zip "
                                     "wrote)");
        // Keyed, so the vector tells nothing about the data to one without the password.
        const auto digest = Sha256(key, plain);
        AesBlock initVector;
        std::copy_n(digest.begin(), initVector.size(), initVector.begin());
        const std::vector<uint8_t> sealed = AesCbcEncrypt(key, initVector, plain);
        std::copy(sealed.begin(), sealed.end(), packed.begin());
        std::copy(initVector.begin(), initVector.end(),
                  properties.begin() + static_cast<ptrdiff_t>(aes.initVectorOffset));
    }
    UpdateHeaderCrcs(archive, folders);
}
