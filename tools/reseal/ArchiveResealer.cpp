#include "ArchiveResealer.h"

#include "SevenZipAes.h"
#include "SevenZipFolders.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace {

// A wrong key decrypts to noise. Where the next coder is known, its stream's first byte tells:
// an LZMA stream starts with the range coder's zero byte, an LZMA2 stream with its end mark or
// a chunk that resets the dictionary. Other coders' data cannot be checked cheaply.
bool StartsAsExpected(const std::vector<uint8_t>& plain, const std::optional<uint64_t>& next) {
    if (plain.empty() || !next)
        return true;
    if (*next == kLzmaMethod)
        return plain[0] == 0x00;
    if (*next == kLzma2Method)
        return plain[0] <= 0x01 || plain[0] >= 0xE0;
    return true;
}

std::string FolderName(const EncryptedFolder& folder) {
    return "folder " + std::to_string(folder.folderNumber);
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
        if (folder.packSize % 16 != 0)
            throw std::runtime_error("damaged archive: the packed stream of " + FolderName(folder) +
                                     " is not whole AES blocks");
        auto [known, added] = keys.try_emplace({aes.cyclesPower, aes.salt});
        if (added)
            known->second = DeriveAesKey(aes, passwordBytes);
        const AesKey& key = known->second;

        const std::span<uint8_t> packed(archive.data() + folder.packOffset, folder.packSize);
        const std::vector<uint8_t> plain = AesCbcDecrypt(key, aes.initVector, packed);
        if (!StartsAsExpected(plain, folder.nextMethod))
            throw std::runtime_error(FolderName(folder) +
                                     ": wrong password (the decrypted data are not what its "
                                     "next coder reads)");
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
