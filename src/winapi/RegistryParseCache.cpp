#include "RegistryParseCache.h"

#include <mutex>

namespace winapi {
namespace {

std::mutex& CacheMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<ParsedFile>& Cache() {
    static std::optional<ParsedFile> cache;
    return cache;
}

} // namespace

std::optional<ParsedFile> TakeCached(const std::string& path, const FileIdentity& identity) {
    std::lock_guard lock(CacheMutex());
    std::optional<ParsedFile> cached = std::move(Cache());
    Cache().reset();
    if (cached && cached->path == path && cached->identity == identity)
        return cached;
    return std::nullopt;
}

void StoreCached(ParsedFile parsed) {
    std::lock_guard lock(CacheMutex());
    Cache() = std::move(parsed);
}

} // namespace winapi
