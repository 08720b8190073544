#include "ResourceFiles.h"

#include "rtl/SysErrorMessage.h"
#include "winapi/LinuxErrors.h"
#include "winapi/SystemRoot.h"
#include "winapi/WholeFile.h"
#include "winapi/kernel32.h"

std::string_view ResourceBytes(const char* name) {
    HRSRC resource = FindResourceA(nullptr, name, RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const auto* data = static_cast<const char*>(loaded ? LockResource(loaded) : nullptr);
    if (!data)
        throw Exception("Resource " + AnsiString(name) + " not found");
    return std::string_view(data, SizeofResource(nullptr, resource));
}

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <link.h>
#include <string>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Placement {
    const void* address;
    std::int64_t offset = -1;
};

} // namespace

std::int64_t FileOffsetOf(const void* address) {
    Placement placement{address};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto* wanted = static_cast<Placement*>(data);
            const auto at = reinterpret_cast<std::uintptr_t>(wanted->address);
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& segment = info->dlpi_phdr[i];
                const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
                if (segment.p_type == PT_LOAD && at >= start && at < start + segment.p_filesz) {
                    wanted->offset = static_cast<std::int64_t>(at - start + segment.p_offset);
                    return 1;
                }
            }
            return 0;
        },
        &placement);
    return placement.offset;
}

namespace {

// Copies size bytes at offset of the file `from` to `to` inside the kernel, so the pages never
// pass through this process. 0 on success, else the errno of the failure.
int CopyFileRange(int from, std::int64_t offset, std::uint64_t size, int to) {
    off_t in = offset;
    bool useSendfile = false;
    while (size > 0) {
        const size_t chunk = size < (1u << 30) ? static_cast<size_t>(size) : (1u << 30);
        const ssize_t copied = useSendfile ? sendfile(to, from, &in, chunk)
                                           : copy_file_range(from, &in, to, nullptr, chunk, 0);
        if (copied < 0 && errno == EINTR)
            continue;
        // Kernels or file systems without copy_file_range between these files fall back.
        if (copied < 0 && !useSendfile &&
            (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
            useSendfile = true;
            continue;
        }
        if (copied < 0)
            return errno;
        if (copied == 0)
            return EIO; // the executable ends before the resource does
        size -= static_cast<std::uint64_t>(copied);
    }
    return 0;
}

[[noreturn]] void RaiseCreateError(const AnsiString& fileName, DWORD code) {
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + SysErrorMessage(code));
}

} // namespace

winapi::FileDescriptor SaveResourceToFile(const char* name, const AnsiString& fileName) {
    const std::string_view bytes = ResourceBytes(name);
    const std::uint64_t size = bytes.size();
    const std::int64_t offset = FileOffsetOf(bytes.data());
    if (offset < 0)
        throw Exception("Resource " + AnsiString(name) + " not found");

    const std::optional<std::string> target = winapi::ToLinuxPath(fileName);
    if (!target)
        RaiseCreateError(fileName, GetLastError());
    // Written whole: a failure leaves the old file or none, never a partial one, and an old
    // file that cannot be replaced is never taken for the resource.
    int readBack = -1;
    const int err = winapi::WriteWholeFile(
        *target,
        [&](int out) {
            const winapi::FileDescriptor self(open("/proc/self/exe", O_RDONLY | O_CLOEXEC));
            return self.Valid() ? CopyFileRange(self.Get(), offset, size, out) : errno;
        },
        {.readBack = &readBack});
    if (err != 0)
        RaiseCreateError(fileName,
                         err == ENOENT ? ERROR_PATH_NOT_FOUND : winapi::Win32ErrorFromErrno(err));
    return winapi::FileDescriptor(readBack);
}
