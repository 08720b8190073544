#include "support/TempSystemRoot.h"

#include "winapi/SystemRoot.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace testing_support {

namespace {

std::optional<std::string> Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void Restore(const char* name, const std::optional<std::string>& value) {
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

} // namespace

TempSystemRoot::TempSystemRoot() {
    savedPrefix_ = Variable("WINEPREFIX");
    savedHome_ = Variable("HOME");
    savedConfig_ = Variable("XDG_CONFIG_HOME");
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/winroot-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    folder_ = pattern;
    root_ = folder_ + "/prefix";
    setenv("WINEPREFIX", root_.c_str(), 1);
    // The profile's user folders link into the home folder: a private one.
    const std::string home = folder_ + "/home";
    mkdir(home.c_str(), 0700);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    winapi::ResetSystemRoot();
}

TempSystemRoot::~TempSystemRoot() {
    Restore("WINEPREFIX", savedPrefix_);
    Restore("HOME", savedHome_);
    Restore("XDG_CONFIG_HOME", savedConfig_);
    winapi::ResetSystemRoot();
    RemoveTree(folder_);
}

std::string TempSystemRoot::LinuxPath(std::string_view windowsPath) const {
    const auto path = winapi::ToLinuxPath(windowsPath);
    EXPECT_TRUE(path.has_value()) << "unmapped path " << windowsPath;
    return path.value_or("");
}

bool RemoveTree(const std::string& path) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
    return !std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

void WriteLinuxFile(const std::string& path, std::string_view bytes) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::optional<std::string> ReadLinuxFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace testing_support
