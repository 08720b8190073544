// A fresh Windows system root for one test: WINEPREFIX points at a new temporary folder (the
// layer creates its layout on first use), HOME, XDG_DATA_HOME and XDG_CONFIG_HOME at a home
// folder beside it, and the folder is removed afterwards, once every Wine process of the root
// has ended. The previous values are restored, so the real ~/.wine and the real home folder are
// never touched.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testing_support {

class TempSystemRoot {
public:
    TempSystemRoot();
    ~TempSystemRoot();
    TempSystemRoot(const TempSystemRoot&) = delete;
    TempSystemRoot& operator=(const TempSystemRoot&) = delete;

    // The temporary folder that holds the root (and anything else a test wants to put there).
    const std::string& Folder() const { return folder_; }
    // The root's Linux path, $WINEPREFIX (created by the layer on first use).
    const std::string& Root() const { return root_; }
    // The temporary $HOME; XDG_DATA_HOME is its .local/share, XDG_CONFIG_HOME its .config.
    std::string Home() const { return folder_ + "/home"; }
    // <root>/drive_c.
    std::string DriveC() const { return root_ + "/drive_c"; }
    // The Linux path of a GBK Windows path through the layer; fails the test when unmapped.
    std::string LinuxPath(std::string_view windowsPath) const;

private:
    std::string folder_;
    std::string root_;
    std::vector<std::pair<std::string, std::string>> saved_;
};

// Fixture for tests that need a system root.
class SystemRootTest : public ::testing::Test {
protected:
    TempSystemRoot systemRoot;
};

// Removes a file or folder tree; true when nothing is left.
bool RemoveTree(const std::string& path);

// Writes bytes to a Linux file, replacing it and creating its folders; fails the test on
// error.
void WriteLinuxFile(const std::string& path, std::string_view bytes);

// The whole content of a Linux file, or nullopt.
std::optional<std::string> ReadLinuxFile(const std::string& path);

} // namespace testing_support
