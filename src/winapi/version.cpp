#include "version.h"

#include "LinuxErrors.h"
#include "SystemRoot.h"
#include "kernel32.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr DWORD kRtIcon = 3;
constexpr DWORD kRtGroupIcon = 14;
constexpr DWORD kRtVersion = 16;
constexpr DWORD kVsVersionInfo = 1; // the name the version resource has by convention
constexpr DWORD kSubdirectory = 0x80000000;
constexpr DWORD kResourceDirectoryIndex = 2;

// Reads little-endian fields at file offsets; any read past the end fails the whole lookup.
class PeFile {
public:
    explicit PeFile(int fd) : fd_(fd) {}

    bool Read(DWORD offset, void* out, size_t size) const {
        return pread(fd_, out, size, offset) == static_cast<ssize_t>(size);
    }
    std::optional<DWORD> U32(DWORD offset) const {
        unsigned char b[4];
        if (!Read(offset, b, 4))
            return std::nullopt;
        return static_cast<DWORD>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<DWORD>(b[3]) << 24);
    }
    std::optional<DWORD> U16(DWORD offset) const {
        unsigned char b[2];
        if (!Read(offset, b, 2))
            return std::nullopt;
        return static_cast<DWORD>(b[0] | b[1] << 8);
    }

private:
    int fd_;
};

struct Section {
    DWORD virtualAddress, virtualSize, rawOffset, rawSize;
};

// Where the version block lies in the file, or the error that explains why there is none.
struct Location {
    DWORD offset = 0;
    DWORD size = 0;
    DWORD error = ERROR_SUCCESS;
};

Location Fail(DWORD error) {
    return {0, 0, error};
}

std::optional<DWORD> FileOffset(const std::vector<Section>& sections, DWORD rva, DWORD size) {
    for (const Section& s : sections) {
        const DWORD extent = s.virtualSize ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva - s.virtualAddress < extent) {
            const DWORD within = rva - s.virtualAddress;
            if (within > s.rawSize || size > s.rawSize - within)
                return std::nullopt;
            return s.rawOffset + within;
        }
    }
    return std::nullopt;
}

// The entry of a resource directory with the given id, or its first entry when id is 0 or
// missing and any entry will do.
std::optional<DWORD> DirectoryEntry(const PeFile& file, DWORD directory, DWORD id, bool anyEntry) {
    auto named = file.U16(directory + 12);
    auto numbered = file.U16(directory + 14);
    if (!named || !numbered)
        return std::nullopt;
    const DWORD count = *named + *numbered;
    std::optional<DWORD> first;
    for (DWORD i = 0; i < count; ++i) {
        const DWORD entry = directory + 16 + 8 * i;
        auto name = file.U32(entry);
        auto target = file.U32(entry + 4);
        if (!name || !target)
            return std::nullopt;
        if (!first)
            first = *target;
        if (*name == id)
            return *target;
    }
    return anyEntry ? first : std::nullopt;
}

// The headers of a PE image: its machine, its sections and where its resource tree starts.
struct Image {
    DWORD machine = 0;
    std::vector<Section> sections;
    std::optional<DWORD> resourceRoot; // file offset; nullopt when the image has no resources
    DWORD error = ERROR_SUCCESS;
};

Image ReadImage(const PeFile& file) {
    Image image;
    auto fail = [&](DWORD error) {
        image.error = error;
        return image;
    };
    if (file.U16(0) != 0x5A4D) // "MZ"
        return fail(ERROR_BAD_EXE_FORMAT);
    auto pe = file.U32(0x3C);
    if (!pe || file.U32(*pe) != 0x00004550) // "PE\0\0"
        return fail(ERROR_BAD_EXE_FORMAT);
    auto machine = file.U16(*pe + 4);
    auto sectionCount = file.U16(*pe + 6);
    auto optionalSize = file.U16(*pe + 20);
    const DWORD optional = *pe + 24;
    auto magic = file.U16(optional);
    if (!machine || !sectionCount || !optionalSize || !magic ||
        (*magic != 0x10B && *magic != 0x20B))
        return fail(ERROR_BAD_EXE_FORMAT);
    image.machine = *machine;
    const DWORD directories = optional + (*magic == 0x10B ? 96 : 112);
    auto directoryCount = file.U32(directories - 4);
    if (!directoryCount)
        return fail(ERROR_BAD_EXE_FORMAT);
    if (*directoryCount <= kResourceDirectoryIndex)
        return image;
    auto resourceRva = file.U32(directories + 8 * kResourceDirectoryIndex);
    if (!resourceRva)
        return fail(ERROR_BAD_EXE_FORMAT);
    if (*resourceRva == 0)
        return image;

    for (DWORD i = 0; i < *sectionCount; ++i) {
        const DWORD header = optional + *optionalSize + 40 * i;
        auto virtualSize = file.U32(header + 8);
        auto virtualAddress = file.U32(header + 12);
        auto rawSize = file.U32(header + 16);
        auto rawOffset = file.U32(header + 20);
        if (!virtualSize || !virtualAddress || !rawSize || !rawOffset)
            return fail(ERROR_BAD_EXE_FORMAT);
        image.sections.push_back({*virtualAddress, *virtualSize, *rawOffset, *rawSize});
    }
    auto root = FileOffset(image.sections, *resourceRva, 16);
    if (!root || !file.U16(*root + 14))
        return fail(ERROR_BAD_EXE_FORMAT);
    image.resourceRoot = root;
    return image;
}

// Where the resource of the given type and name lies; name 0 with anyName takes the first.
Location FindResourceData(const PeFile& file, const Image& image, DWORD typeId, DWORD nameId,
                          bool anyName) {
    if (image.error != ERROR_SUCCESS)
        return Fail(image.error);
    if (!image.resourceRoot)
        return Fail(ERROR_RESOURCE_TYPE_NOT_FOUND);
    const DWORD root = *image.resourceRoot;
    // Three levels: type, name, language; each step must lead to the kind of node expected.
    auto type = DirectoryEntry(file, root, typeId, false);
    if (!type || !(*type & kSubdirectory))
        return Fail(ERROR_RESOURCE_TYPE_NOT_FOUND);
    auto name = DirectoryEntry(file, root + (*type & ~kSubdirectory), nameId, anyName);
    if (!name || !(*name & kSubdirectory))
        return Fail(ERROR_RESOURCE_NAME_NOT_FOUND);
    auto language = DirectoryEntry(file, root + (*name & ~kSubdirectory), 0, true);
    if (!language || (*language & kSubdirectory))
        return Fail(ERROR_RESOURCE_DATA_NOT_FOUND);
    const DWORD dataEntry = root + *language;
    auto dataRva = file.U32(dataEntry);
    auto dataSize = file.U32(dataEntry + 4);
    if (!dataRva || !dataSize || *dataSize == 0)
        return Fail(ERROR_RESOURCE_DATA_NOT_FOUND);
    auto offset = FileOffset(image.sections, *dataRva, *dataSize);
    unsigned char last = 0;
    if (!offset || !file.Read(*offset + *dataSize - 1, &last, 1))
        return Fail(ERROR_RESOURCE_DATA_NOT_FOUND);
    return {*offset, *dataSize, ERROR_SUCCESS};
}

Location FindVersionBlock(const PeFile& file) {
    return FindResourceData(file, ReadImage(file), kRtVersion, kVsVersionInfo, true);
}

// The file opened for reading, closed with this value; fd is -1 when it cannot be opened.
class OpenedFile {
public:
    explicit OpenedFile(const std::string& path) : fd(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~OpenedFile() {
        if (fd >= 0)
            close(fd);
    }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;
    const int fd;
};

// Opens the file and finds its block; on failure sets the last error and returns nullopt.
class VersionSource {
public:
    explicit VersionSource(LPCSTR fileName) {
        auto path = fileName ? winapi::ToLinuxPath(fileName) : std::nullopt;
        if (!path) {
            if (!fileName)
                SetLastError(ERROR_INVALID_PARAMETER);
            return;
        }
        fd_ = open(path->c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            winapi::SetLastErrorFromErrno(errno);
            return;
        }
        location_ = FindVersionBlock(PeFile(fd_));
        if (location_.error != ERROR_SUCCESS)
            SetLastError(location_.error);
    }
    ~VersionSource() {
        if (fd_ >= 0)
            close(fd_);
    }
    VersionSource(const VersionSource&) = delete;
    VersionSource& operator=(const VersionSource&) = delete;

    bool Found() const { return fd_ >= 0 && location_.error == ERROR_SUCCESS; }
    DWORD Size() const { return location_.size; }
    bool Copy(void* out, DWORD size) const { return PeFile(fd_).Read(location_.offset, out, size); }

private:
    int fd_ = -1;
    Location location_{0, 0, ERROR_FILE_NOT_FOUND};
};

} // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle) {
    if (handle)
        *handle = 0;
    VersionSource source(fileName);
    return source.Found() ? source.Size() : 0;
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD /*handle*/, DWORD len, LPVOID data) {
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    VersionSource source(fileName);
    if (!source.Found())
        return FALSE;
    if (!source.Copy(data, std::min(len, source.Size()))) {
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return FALSE;
    }
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* len) {
    if (!block || !subBlock || !buffer || !len || std::strcmp(subBlock, "\\") != 0)
        return FALSE;
    // VS_VERSIONINFO: wLength, wValueLength, wType, the key "VS_VERSION_INFO" in UTF-16 with its
    // zero, padding to 32 bits, then the fixed record as its value.
    static constexpr char16_t kKey[] = u"VS_VERSION_INFO";
    constexpr size_t kValueOffset = (6 + sizeof kKey + 3) / 4 * 4;
    const auto* bytes = static_cast<const unsigned char*>(block);
    const size_t length = bytes[0] | bytes[1] << 8;
    const size_t valueLength = bytes[2] | bytes[3] << 8;
    if (length < kValueOffset + sizeof(VS_FIXEDFILEINFO) || valueLength < sizeof(VS_FIXEDFILEINFO))
        return FALSE;
    for (size_t i = 0; i < sizeof kKey / 2; ++i)
        if ((bytes[6 + 2 * i] | bytes[7 + 2 * i] << 8) != kKey[i])
            return FALSE;
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, bytes + kValueOffset, sizeof info);
    if (info.dwSignature != VS_FFI_SIGNATURE)
        return FALSE;
    *buffer = const_cast<unsigned char*>(bytes + kValueOffset);
    *len = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}

namespace winapi {

std::optional<WORD> ImageMachine(const std::string& path) {
    OpenedFile opened(path);
    if (opened.fd < 0)
        return std::nullopt;
    const Image image = ReadImage(PeFile(opened.fd));
    if (image.error != ERROR_SUCCESS)
        return std::nullopt;
    return static_cast<WORD>(image.machine);
}

std::vector<std::string> ReadIconImages(const std::string& path) {
    std::vector<std::string> images;
    OpenedFile opened(path);
    if (opened.fd < 0)
        return images;
    const PeFile file(opened.fd);
    const Image image = ReadImage(file);
    // The first icon group: a 6-byte header (reserved, type 1, count), then 14-byte entries
    // whose last field is the RT_ICON id of the image.
    const Location group = FindResourceData(file, image, kRtGroupIcon, 0, true);
    if (group.error != ERROR_SUCCESS)
        return images;
    auto count = file.U16(group.offset + 4);
    if (!count || file.U16(group.offset + 2) != 1 || 6 + 14 * DWORD{*count} > group.size)
        return images;
    for (DWORD i = 0; i < *count; ++i) {
        auto id = file.U16(group.offset + 6 + 14 * i + 12);
        if (!id)
            return {};
        const Location icon = FindResourceData(file, image, kRtIcon, *id, false);
        if (icon.error != ERROR_SUCCESS)
            continue;
        std::string bytes(icon.size, '\0');
        if (file.Read(icon.offset, bytes.data(), bytes.size()))
            images.push_back(std::move(bytes));
    }
    return images;
}

} // namespace winapi
