#include "IntegrityCheck.h"

#include <cstdio>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

ExecutableExtent MeasureRunningExecutable() {
    ExecutableExtent extent{0, 0};
    // The first object dl_iterate_phdr reports is the executable itself.
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto* measured = static_cast<ExecutableExtent*>(data);
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& segment = info->dlpi_phdr[i];
                if (segment.p_type == PT_LOAD &&
                    segment.p_offset + segment.p_filesz > measured->expected)
                    measured->expected = segment.p_offset + segment.p_filesz;
            }
            return 1;
        },
        &extent);
    struct stat status {};
    const int fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && fstat(fd, &status) == 0)
        extent.found = static_cast<std::uint64_t>(status.st_size);
    // The section headers, which the linker writes last, end the file; strip rewrites them and
    // the ELF header together. A file too short to hold the ELF header counts as found short.
    ElfW(Ehdr) header{};
    if (fd >= 0 && pread(fd, &header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) &&
        header.e_shoff + std::uint64_t{header.e_shnum} * header.e_shentsize > extent.expected)
        extent.expected = header.e_shoff + std::uint64_t{header.e_shnum} * header.e_shentsize;
    if (fd >= 0)
        close(fd);
    return extent;
}

std::string IncompleteExecutableMessage(const ExecutableExtent& extent) {
    return "安装程序已损坏或不完整，请重新下载。文件大小为 " + std::to_string(extent.found) +
           " 字节，应为 " + std::to_string(extent.expected) + " 字节。";
}

bool EnsureCompleteExecutable() {
    const ExecutableExtent extent = MeasureRunningExecutable();
    if (extent.found >= extent.expected)
        return true;
    std::fprintf(stderr, "VostrelSetup: %s\n", IncompleteExecutableMessage(extent).c_str());
    return false;
}
