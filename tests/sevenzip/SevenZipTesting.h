// A temporary system root and work folder per test, archives made with the 7z command, and a
// private copy of the 7-Zip library loaded the way the installer loads it.
#pragma once

#include "rtl/SysUtils.h"
#include "sevenzip/sevenzip.h"
#include "support/TempSystemRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

class SevenZipTest : public ::testing::Test {
protected:
    // The Windows path ("Z:\...") of a Linux path.
    static AnsiString WinPath(const std::filesystem::path& path);
    static void WriteFile(const std::filesystem::path& path, const std::string& content);
    static std::string ReadFile(const std::filesystem::path& path);
    // testing_support::Run7zAdd with paths.
    static void MakeArchive(const std::filesystem::path& archive, const std::string& switches,
                            const std::filesystem::path& folder, const std::string& members);
    // True when a module mapped into this process comes from path.
    static bool IsMapped(const std::filesystem::path& path);
    // The message of the Exception the action raises; "<no error>" when it raises none.
    static std::string ErrorOf(const std::function<void()>& action);
    // A message (GBK) as UTF-8, for comparing with Chinese texts.
    static std::string Utf8(const AnsiString& gbkText);

    // The library copied into the work folder as "7z.dll", as the installer places it.
    std::filesystem::path LibraryFile();
    ComPtr<I7zArchiveReader> NewReader();

    testing_support::TempSystemRoot systemRoot_;
    // A temporary work folder beside the system root.
    std::filesystem::path root_{systemRoot_.Folder()};
};

// Files with fixed, distinct contents for archives: name -> content.
std::string SampleContent(const std::string& name, std::size_t size);
