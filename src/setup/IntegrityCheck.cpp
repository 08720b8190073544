#include "IntegrityCheck.h"

#include "DisplayCheck.h"
#include "ProductInfo.h"
#include "ResourceFiles.h"

#include "rtl/Application.h"
#include "rtl/SysUtils.h"
#include "winapi/Gbk.h"
#include "winapi/ResourcePack.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <libdeflate.h>
#include <link.h>
#include <mutex>
#include <optional>
#include <strings.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

namespace {

// Qt's platform as the application will choose it: "-platform" before QT_QPA_PLATFORM.
std::string_view QtPlatform(int argc, char* argv[]) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string_view(argv[i]) == "-platform" || std::string_view(argv[i]) == "--platform")
            return argv[i + 1];
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return platform ? platform : "";
}

bool SomeoneCanSeeABox(int argc, char* argv[]) {
    const std::string_view platform = QtPlatform(argc, argv);
    if (platform.starts_with("offscreen") || platform.starts_with("minimal"))
        return false;
    return GraphicalDisplayAvailable(argc, argv);
}

} // namespace

void ShowIncompleteExecutableBox(int argc, char* argv[]) {
    if (!SomeoneCanSeeABox(argc, argv))
        return;
    TApplication application(argc, argv);
    const std::string message = IncompleteExecutableMessage(MeasureRunningExecutable());
    Application->MessageBox(gbk::FromUtf8(message).value_or(message), SetupTitle(),
                            MB_OK | MB_ICONERROR);
}

namespace {

// The CRC-32 of size bytes at offset of the file fd, read through buffer; nullopt when they
// cannot all be read.
std::optional<std::uint32_t> Crc32OfRange(int fd, std::int64_t offset, std::uint64_t size,
                                          std::vector<unsigned char>& buffer) {
    std::uint32_t crc = 0;
    while (size > 0) {
        const size_t chunk = size < buffer.size() ? static_cast<size_t>(size) : buffer.size();
        const ssize_t got = pread(fd, buffer.data(), chunk, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        crc = libdeflate_crc32(crc, buffer.data(), static_cast<size_t>(got));
        offset += got;
        size -= static_cast<std::uint64_t>(got);
    }
    return crc;
}

// The name of the first resource whose file bytes do not match their stamp; empty when all do.
// The bytes are read from the file, not from the mapping: pages past the end of a file cut
// short would raise SIGBUS, and faulting the mapping in costs as much as the copy while
// raising the process's peak memory by every byte read.
std::string FirstDamagedResource() {
    const int fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    std::vector<unsigned char> buffer(1 << 18);
    std::string damaged;
    for (const winapi::PackedResource& resource : winapi::PackedResources()) {
        const std::int64_t offset = FileOffsetOf(resource.data);
        const auto crc = fd >= 0 && offset >= 0
                             ? Crc32OfRange(fd, offset, resource.entry->size, buffer)
                             : std::nullopt;
        if (crc != resource.entry->crc32) {
            damaged = resource.name;
            break;
        }
    }
    if (fd >= 0)
        close(fd);
    return damaged;
}

std::once_flag started;
std::shared_future<std::string> result;

// Starts a notifier on the application's thread that runs EndIfResourcesDamaged there once the
// check's thread has ended. That thread only writes to an eventfd: it touches nothing of Qt,
// which the main thread may be building or tearing down meanwhile. The descriptor is never
// closed, so a check that ends after the application has gone writes to it harmlessly.
int WatchForEndOfCheck(QCoreApplication& application) {
    const int done = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (done < 0)
        return -1;
    auto* notifier = new QSocketNotifier(done, QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier] {
        notifier->setEnabled(false);
        EndIfResourcesDamaged();
    });
    return done;
}

} // namespace

static void LaunchResourceCheck() {
    std::call_once(started, [] {
        // A damaged file found while the options window is open ends the program at once,
        // rather than when the user asks to install.
        QCoreApplication* application = QCoreApplication::instance();
        const int done = application ? WatchForEndOfCheck(*application) : -1;
        result = std::async(std::launch::async, [done] {
            std::string damaged = FirstDamagedResource();
            if (done >= 0) {
                const std::uint64_t one = 1;
                if (write(done, &one, sizeof one) != sizeof one) {
                    // Cannot fail on an eventfd far from its limit; the install still waits.
                }
            }
            return damaged;
        });
    });
}

namespace {

// Starts the check on the loop turn after the first paint of any window: started earlier, its
// thread competes with the first frame for the processor.
class FirstPaintStart final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            QCoreApplication::instance()->removeEventFilter(this);
            QTimer::singleShot(0, QCoreApplication::instance(), LaunchResourceCheck);
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void StartResourceCheck() {
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installEventFilter(new FirstPaintStart(application));
    else
        LaunchResourceCheck();
}

void AwaitIntactResources() {
    LaunchResourceCheck();
    const std::string& damaged = result.get();
    if (!damaged.empty())
        throw Exception(gbk::FromUtf8(DamagedResourceMessage(damaged)).value_or(""));
}

bool HoldsCarriedResource(int fd, std::string_view name) {
    struct stat status {};
    if (fstat(fd, &status) != 0)
        return false;
    std::vector<unsigned char> buffer(1 << 18);
    for (const winapi::PackedResource& resource : winapi::PackedResources())
        if (name.size() == std::strlen(resource.name) &&
            strncasecmp(name.data(), resource.name, name.size()) == 0)
            return static_cast<std::uint64_t>(status.st_size) == resource.entry->size &&
                   Crc32OfRange(fd, 0, resource.entry->size, buffer) == resource.entry->crc32;
    return false;
}

std::string DamagedResourceMessage(std::string_view resourceName) {
    return "安装程序已损坏或不完整，请重新下载。损坏的部分：" + std::string(resourceName) + "。";
}

void EndIfResourcesDamaged() {
    try {
        AwaitIntactResources();
    } catch (const Exception& e) {
        EndForDamagedSetup(e.Message());
    }
}

void EndForDamagedSetup(const AnsiString& message) {
    std::fprintf(stderr, "VostrelSetup: %s\n", gbk::ToUtf8OrAsIs(message).c_str());
    Application->MessageBox(message, AnsiString(), MB_OK | MB_ICONERROR);
    std::fflush(nullptr);
    std::_Exit(kExitPayloadDamaged);
}
