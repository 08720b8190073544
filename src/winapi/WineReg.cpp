#include "WineReg.h"

#include "ChildProcess.h"
#include "Gbk.h"
#include "RegEditorFile.h"
#include "advapi32.h"
#include "kernel32.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace winapi {
namespace {

// A scratch folder for the exchanged .reg files, removed with what it holds.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        path_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/vostrel-reg-XXXXXX";
        if (!mkdtemp(path_.data()))
            path_.clear();
    }
    ~ScratchFolder() {
        if (path_.empty())
            return;
        unlink(File("import.reg").c_str());
        unlink(File("export.reg").c_str());
        rmdir(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool Made() const { return !path_.empty(); }
    std::string File(const char* name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Runs "wine reg <arguments>" for the root and waits for it; the exit code, or -1 when wine
// is missing, could not be started or did not end normally.
int RunWineReg(const std::string& root, const std::vector<std::string>& arguments) {
    const auto wine = FindWine();
    if (!wine)
        return -1;
    ProgramStart start{*wine, {"wine", "reg"}, {}, {{"WINEPREFIX", root}, {"WINEDEBUG", "-all"}}};
    start.arguments.insert(start.arguments.end(), arguments.begin(), arguments.end());
    return RunAndWait(start);
}

// Wine reads a Linux path given as a Windows path on drive Z:.
std::string OnDriveZ(const std::string& path) {
    std::string windows = "Z:" + path;
    for (char& c : windows)
        if (c == '/')
            c = '\\';
    return windows;
}

// Wine reads its arguments as UTF-8.
std::optional<std::string> KeyArgument(std::u16string_view key) {
    const auto utf8 = gbk::Utf8FromUtf16(key);
    if (!utf8)
        return std::nullopt;
    return "HKEY_LOCAL_MACHINE\\" + *utf8;
}

std::optional<RegistryFile> Export(const std::string& root, std::u16string_view key,
                                   const ScratchFolder& scratch, DWORD& error) {
    const std::string file = scratch.File("export.reg");
    const auto keyArgument = KeyArgument(key);
    if (!keyArgument) {
        error = ERROR_NO_UNICODE_TRANSLATION;
        return std::nullopt;
    }
    const int code = RunWineReg(root, {"export", *keyArgument, OnDriveZ(file), "/y"});
    if (code != 0) {
        error = code < 0 ? ERROR_REGISTRY_IO_FAILED : ERROR_FILE_NOT_FOUND;
        return std::nullopt;
    }
    std::string bytes;
    if (const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
        char buffer[65536];
        ssize_t got = 0;
        while ((got = read(fd, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, static_cast<size_t>(got));
        close(fd);
    }
    auto exported = RegistryFile::FromRegExport(FromUtf16Le(bytes));
    if (!exported)
        error = ERROR_REGISTRY_IO_FAILED;
    return exported;
}

} // namespace

std::optional<RegistryFile> WineRegExport(const std::string& root, std::u16string_view key,
                                          DWORD& error) {
    ScratchFolder scratch;
    if (!scratch.Made()) {
        error = ERROR_REGISTRY_IO_FAILED;
        return std::nullopt;
    }
    return Export(root, key, scratch, error);
}

DWORD WineRegApply(const std::string& root, std::u16string_view key,
                   const std::vector<RegistryChange>& changes) {
    ScratchFolder scratch;
    if (!scratch.Made())
        return ERROR_REGISTRY_IO_FAILED;
    const std::string file = scratch.File("import.reg");
    const std::string bytes = "\xFF\xFE" + Utf16LeBytes(RegImportText(key, changes));
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return ERROR_REGISTRY_IO_FAILED;
    const bool written =
        write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (close(fd) != 0 || !written || RunWineReg(root, {"import", OnDriveZ(file)}) != 0)
        return ERROR_REGISTRY_IO_FAILED;
    DWORD error = ERROR_SUCCESS;
    const auto held = Export(root, key, scratch, error);
    return held && HoldsChanges(*held, key, changes) ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
}

DWORD WineRegDeleteKey(const std::string& root, std::u16string_view key) {
    ScratchFolder scratch;
    if (!scratch.Made())
        return ERROR_REGISTRY_IO_FAILED;
    DWORD error = ERROR_SUCCESS;
    auto held = Export(root, key, scratch, error);
    if (!held)
        return error;
    // The export holds the key and its subkeys: deleting it there tells what Windows would.
    if (const DWORD refused = held->DeleteKey(key); refused != ERROR_SUCCESS)
        return refused;
    if (RunWineReg(root, {"delete", *KeyArgument(key), "/f"}) != 0)
        return ERROR_REGISTRY_IO_FAILED;
    if (Export(root, key, scratch, error))
        return ERROR_REGISTRY_IO_FAILED;
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
}

} // namespace winapi
