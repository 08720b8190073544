#include "support/TempSystemRoot.h"

#include "support/RootProcesses.h"
#include "winapi/SystemRoot.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testing_support {

namespace {

// The variables a test's root replaces: the prefix, and the home and XDG folders that desktop
// launchers, menus and icons go into.
const char* const kReplacedVariables[] = {"WINEPREFIX", "HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"};

} // namespace

TempSystemRoot::TempSystemRoot() {
    for (const char* name : kReplacedVariables)
        if (const char* value = std::getenv(name))
            saved_.emplace_back(name, value);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/winroot-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    folder_ = pattern;
    root_ = folder_ + "/prefix";
    setenv("WINEPREFIX", root_.c_str(), 1);
    setenv("HOME", Home().c_str(), 1);
    setenv("XDG_DATA_HOME", (Home() + "/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Home() + "/.config").c_str(), 1);
    std::filesystem::create_directory(Home());
    winapi::ResetSystemRoot();
}

TempSystemRoot::~TempSystemRoot() {
    for (const char* name : kReplacedVariables)
        unsetenv(name);
    for (const auto& [name, value] : saved_)
        setenv(name.c_str(), value.c_str(), 1);
    winapi::ResetSystemRoot();
    // Wine started in the root (by the test, or by a program the installer started) goes first.
    EndRootProcesses(folder_, root_);
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
