// kernel32 resources of the running executable, read in place from the packs linked into its
// "vostrel_rsrc" section (ResourcePack.h). An HRSRC is the pack entry, an HGLOBAL the data.
// Names match without regard to case; the language is not asked (each resource is stored once,
// in 2052).
#include "MainModule.h"
#include "ResourcePack.h"
#include "kernel32.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

extern "C" {
// Defined by the linker when an embedded pack exists; null otherwise.
extern const unsigned char __start_vostrel_rsrc[] __attribute__((weak));
extern const unsigned char __stop_vostrel_rsrc[] __attribute__((weak));
}

namespace {

// Calls visit(pack start, entry) for every entry of every pack until it returns true.
template <class Visit> const winapi::PackEntry* FindEntry(Visit visit, bool& anyPack) {
    anyPack = false;
    const unsigned char* pack = __start_vostrel_rsrc;
    const unsigned char* end = __stop_vostrel_rsrc;
    while (pack && pack + sizeof(winapi::PackHeader) <= end) {
        winapi::PackHeader header;
        std::memcpy(&header, pack, sizeof header);
        if (std::memcmp(header.magic, winapi::kPackMagic, sizeof header.magic) != 0)
            break;
        anyPack = true;
        const auto* entries = reinterpret_cast<const winapi::PackEntry*>(pack + sizeof header);
        for (std::uint32_t i = 0; i < header.count; ++i)
            if (visit(pack, entries[i]))
                return &entries[i];
        pack += (header.totalSize + winapi::kPackAlignment - 1) / winapi::kPackAlignment *
                winapi::kPackAlignment;
    }
    return nullptr;
}

const unsigned char* PackOf(const winapi::PackEntry* entry) {
    // Entries sit right after their pack's header; walk the packs to find the owner.
    const unsigned char* owner = nullptr;
    bool anyPack = false;
    FindEntry(
        [&](const unsigned char* pack, const winapi::PackEntry& candidate) {
            if (&candidate != entry)
                return false;
            owner = pack;
            return true;
        },
        anyPack);
    return owner;
}

bool IsIntResource(LPCSTR name) {
    return reinterpret_cast<std::uintptr_t>(name) < 0x10000;
}

// A name as stored: integer identifiers in their "#n" string form.
std::string NameText(LPCSTR name) {
    if (IsIntResource(name))
        return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name));
    return name;
}

} // namespace

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    if (!winapi::IsMainModule(module) || !name || !type) {
        SetLastError(!winapi::IsMainModule(module) ? ERROR_RESOURCE_DATA_NOT_FOUND
                                                   : ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Types are numeric in the pack; a string type "#10" means the same as 10.
    std::uint32_t wantedType = 0;
    if (IsIntResource(type))
        wantedType = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(type));
    else if (type[0] == '#')
        wantedType = static_cast<std::uint32_t>(std::strtoul(type + 1, nullptr, 10));
    const std::string wantedName = NameText(name);

    bool anyPack = false;
    bool typeSeen = false;
    const winapi::PackEntry* found = FindEntry(
        [&](const unsigned char* pack, const winapi::PackEntry& entry) {
            if (entry.type != wantedType || wantedType == 0)
                return false;
            typeSeen = true;
            const char* stored = reinterpret_cast<const char*>(pack + entry.nameOffset);
            return strcasecmp(stored, wantedName.c_str()) == 0;
        },
        anyPack);
    if (!found) {
        SetLastError(!anyPack   ? ERROR_RESOURCE_DATA_NOT_FOUND
                     : typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND
                                : ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<winapi::PackEntry*>(found));
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    const auto* entry = reinterpret_cast<const winapi::PackEntry*>(resource);
    const unsigned char* pack = entry && winapi::IsMainModule(module) ? PackOf(entry) : nullptr;
    if (!pack) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return const_cast<unsigned char*>(pack + entry->dataOffset);
}

LPVOID LockResource(HGLOBAL resourceData) {
    return resourceData;
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
    const auto* entry = reinterpret_cast<const winapi::PackEntry*>(resource);
    if (!entry || !winapi::IsMainModule(module) || !PackOf(entry)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(entry->size);
}

std::vector<winapi::PackedResource> winapi::PackedResources() {
    std::vector<PackedResource> resources;
    bool anyPack = false;
    FindEntry(
        [&](const unsigned char* pack, const PackEntry& entry) {
            resources.push_back({reinterpret_cast<const char*>(pack + entry.nameOffset), &entry,
                                 pack + entry.dataOffset});
            return false;
        },
        anyPack);
    return resources;
}
