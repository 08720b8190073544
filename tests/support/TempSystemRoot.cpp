#include "support/TempSystemRoot.h"

#include "winapi/SystemRoot.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testing_support {

TempSystemRoot::TempSystemRoot() {
    if (const char* prefix = std::getenv("WINEPREFIX"))
        savedPrefix_ = prefix;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/winroot-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    folder_ = pattern;
    root_ = folder_ + "/prefix";
    setenv("WINEPREFIX", root_.c_str(), 1);
    winapi::ResetSystemRoot();
}

TempSystemRoot::~TempSystemRoot() {
    if (savedPrefix_)
        setenv("WINEPREFIX", savedPrefix_->c_str(), 1);
    else
        unsetenv("WINEPREFIX");
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
