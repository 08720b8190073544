#include "ShellLink.h"

#include "WholeFile.h"

#include "Gbk.h"
#include "LinuxErrors.h"
#include "SystemRoot.h"
#include "kernel32.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

const CLSID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace {

// Link flags and values of the format.
constexpr DWORD kHasLinkInfo = 0x00000002;
constexpr DWORD kHasName = 0x00000004;
constexpr DWORD kHasWorkingDir = 0x00000010;
constexpr DWORD kHasIconLocation = 0x00000040;
constexpr DWORD kIsUnicode = 0x00000080;
constexpr DWORD kVolumeIdAndLocalBasePath = 0x00000001;
constexpr DWORD kDriveFixed = 3;
constexpr DWORD kShowNormal = 1;
constexpr DWORD kLinkInfoHeaderSize = 0x24; // with the Unicode path offsets
constexpr size_t kMaxStringChars = 0xFFFF;  // string data counts characters in 16 bits

class ByteWriter {
public:
    void U16(unsigned value) {
        bytes_ += static_cast<char>(value & 0xFF);
        bytes_ += static_cast<char>(value >> 8 & 0xFF);
    }
    void U32(DWORD value) {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    void U64(ULONGLONG value) {
        U32(static_cast<DWORD>(value));
        U32(static_cast<DWORD>(value >> 32));
    }
    void Bytes(std::string_view data) { bytes_ += data; }
    void Utf16(std::u16string_view text) {
        for (char16_t c : text)
            U16(c);
    }
    const std::string& Data() const { return bytes_; }
    size_t Size() const { return bytes_.size(); }

private:
    std::string bytes_;
};

struct TargetInfo {
    DWORD attributes = 0;
    ULONGLONG creationTime = 0, accessTime = 0, writeTime = 0;
    DWORD size = 0;
};

ULONGLONG FileTime(const timespec& time) {
    return static_cast<ULONGLONG>(time.tv_sec) * 10000000ULL +
           static_cast<ULONGLONG>(time.tv_nsec) / 100 + 116444736000000000ULL;
}

// What the header records about the target; zeros when it does not exist (yet).
TargetInfo DescribeTarget(const std::string& windowsPath) {
    TargetInfo info;
    auto linuxPath = winapi::ToLinuxPath(windowsPath);
    struct stat status {};
    if (!linuxPath || stat(linuxPath->c_str(), &status) != 0)
        return info;
    info.attributes = S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    info.creationTime = FileTime(status.st_mtim);
    info.writeTime = FileTime(status.st_mtim);
    info.accessTime = FileTime(status.st_atim);
    info.size = static_cast<DWORD>(status.st_size);
    return info;
}

// Link info for a local path: a fixed-drive volume without label, the whole path as the local
// base path (GBK and UTF-16) and an empty common path suffix.
std::string LinkInfo(const std::string& path, std::u16string_view widePath) {
    constexpr DWORD volumeIdSize = 16 + 1;
    const DWORD localBasePath = kLinkInfoHeaderSize + volumeIdSize;
    const DWORD commonPathSuffix = localBasePath + static_cast<DWORD>(path.size()) + 1;
    const DWORD localBasePathUnicode = commonPathSuffix + 1;
    const DWORD commonPathSuffixUnicode =
        localBasePathUnicode + 2 * static_cast<DWORD>(widePath.size() + 1);
    const DWORD total = commonPathSuffixUnicode + 2;

    ByteWriter out;
    out.U32(total);
    out.U32(kLinkInfoHeaderSize);
    out.U32(kVolumeIdAndLocalBasePath);
    out.U32(kLinkInfoHeaderSize); // volume id follows the header
    out.U32(localBasePath);
    out.U32(0); // no network location
    out.U32(commonPathSuffix);
    out.U32(localBasePathUnicode);
    out.U32(commonPathSuffixUnicode);
    out.U32(volumeIdSize);
    out.U32(kDriveFixed);
    out.U32(0);  // drive serial number
    out.U32(16); // label offset: right after these four fields
    out.Bytes(std::string_view("\0", 1));
    out.Bytes(path);
    out.Bytes(std::string_view("\0\0", 2)); // path end, empty suffix
    out.Utf16(widePath);
    out.U16(0);
    out.U16(0); // empty Unicode suffix
    return out.Data();
}

class ShellLink final : public IShellLinkA, public IPersistFile {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_INVALIDARG;
        if (iid == IID_IUnknown || iid == IID_IShellLinkA)
            *object = static_cast<IShellLinkA*>(this);
        else if (iid == IID_IPersistFile)
            *object = static_cast<IPersistFile*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT SetDescription(LPCSTR name) override { return Store(name, description_); }
    HRESULT SetWorkingDirectory(LPCSTR dir) override { return Store(dir, workingDir_); }
    HRESULT SetIconLocation(LPCSTR iconPath, int icon) override {
        const HRESULT result = Store(iconPath, iconLocation_);
        if (SUCCEEDED(result))
            iconIndex_ = icon;
        return result;
    }
    // The target must be an absolute path with a drive letter: the link info records it so.
    HRESULT SetPath(LPCSTR file) override {
        if (!file || std::string_view(file).size() < 3 || file[1] != ':' ||
            (file[2] != '\\' && file[2] != '/'))
            return E_INVALIDARG;
        return Store(file, path_);
    }

    HRESULT Save(LPCOLESTR fileName, BOOL /*remember*/) override {
        if (!fileName)
            return E_INVALIDARG;
        auto name = gbk::FromWide(fileName);
        if (!name)
            return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
        auto linuxPath = winapi::ToLinuxPath(*name);
        if (!linuxPath)
            return HRESULT_FROM_WIN32(GetLastError());
        if (const int error = winapi::WriteWholeFile(*linuxPath, Build()); error != 0)
            return HRESULT_FROM_WIN32(error == ENOENT ? ERROR_PATH_NOT_FOUND
                                                      : winapi::Win32ErrorFromErrno(error));
        return S_OK;
    }

private:
    // Keeps a GBK string together with its UTF-16 form, which is what the file stores.
    struct Text {
        std::string gbk;
        std::u16string utf16;
    };

    static HRESULT Store(LPCSTR value, Text& field) {
        if (!value)
            return E_INVALIDARG;
        auto wide = gbk::ToUtf16(value);
        if (!wide)
            return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
        if (wide->size() > kMaxStringChars)
            return E_INVALIDARG;
        field = {value, std::move(*wide)};
        return S_OK;
    }

    std::string Build() const {
        DWORD flags = kIsUnicode;
        if (!path_.gbk.empty())
            flags |= kHasLinkInfo;
        if (!description_.utf16.empty())
            flags |= kHasName;
        if (!workingDir_.utf16.empty())
            flags |= kHasWorkingDir;
        if (!iconLocation_.utf16.empty())
            flags |= kHasIconLocation;
        const TargetInfo target = path_.gbk.empty() ? TargetInfo{} : DescribeTarget(path_.gbk);

        ByteWriter out;
        out.U32(0x4C); // header size
        out.U32(CLSID_ShellLink.Data1);
        out.U16(CLSID_ShellLink.Data2);
        out.U16(CLSID_ShellLink.Data3);
        out.Bytes(std::string_view(reinterpret_cast<const char*>(CLSID_ShellLink.Data4), 8));
        out.U32(flags);
        out.U32(target.attributes);
        out.U64(target.creationTime);
        out.U64(target.accessTime);
        out.U64(target.writeTime);
        out.U32(target.size);
        out.U32(static_cast<DWORD>(iconIndex_));
        out.U32(kShowNormal);
        out.U16(0); // no hot key
        out.Bytes(std::string(10, '\0'));
        if (flags & kHasLinkInfo)
            out.Bytes(LinkInfo(path_.gbk, path_.utf16));
        for (const Text* text : {&description_, &workingDir_, &iconLocation_})
            if (!text->utf16.empty()) {
                out.U16(static_cast<unsigned>(text->utf16.size()));
                out.Utf16(text->utf16);
            }
        out.U32(0); // terminal extra data block
        return out.Data();
    }

    std::atomic<ULONG> references_{1};
    Text path_, workingDir_, description_, iconLocation_;
    int iconIndex_ = 0;
};

} // namespace

namespace winapi {

IUnknown* CreateShellLink() {
    return static_cast<IShellLinkA*>(new ShellLink);
}

} // namespace winapi
