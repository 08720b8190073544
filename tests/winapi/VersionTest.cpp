#include "support/TempSystemRoot.h"
#include "support/VersionPe.h"

#include "winapi/kernel32.h"
#include "winapi/version.h"

#include <string>
#include <vector>

using testing_support::PeOptions;
using testing_support::VersionedPe;
using testing_support::WriteLinuxFile;

namespace {

class VersionInfo : public testing_support::SystemRootTest {
protected:
    std::string Place(const std::string& bytes) {
        WriteLinuxFile(systemRoot.DriveC() + "/program.exe", bytes);
        return "C:\\program.exe";
    }

    // The fixed record's file version words, read the way the program reads them.
    std::optional<std::pair<DWORD, DWORD>> FileVersion(const std::string& path) {
        DWORD handle = 1;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        EXPECT_EQ(handle, 0u);
        if (size == 0)
            return std::nullopt;
        std::vector<BYTE> block(size);
        if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data()))
            return std::nullopt;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), "\\", &value, &length))
            return std::nullopt;
        EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
        const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
        return std::pair{info->dwFileVersionMS, info->dwFileVersionLS};
    }
};

TEST_F(VersionInfo, TheFixedRecordGivesTheFileVersion) {
    EXPECT_EQ(FileVersion(Place(VersionedPe(1, 2, 3, 4))),
              (std::pair<DWORD, DWORD>{0x00010002, 0x00030004}));
    EXPECT_EQ(FileVersion(Place(VersionedPe(10, 0, 0, 12))),
              (std::pair<DWORD, DWORD>{0x000A0000, 0x0000000C}));
    EXPECT_EQ(FileVersion(Place(VersionedPe(65535, 1, 65535, 2, {.pe32Plus = true}))),
              (std::pair<DWORD, DWORD>{0xFFFF0001, 0xFFFF0002}));
}

TEST_F(VersionInfo, FilesWithoutAVersionResourceHaveNoSize) {
    struct Case {
        std::string bytes;
        DWORD error;
    };
    const std::string good = VersionedPe(1, 2, 3, 4);
    const Case cases[] = {
        {VersionedPe(1, 2, 3, 4, {.withVersion = false}), ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"#!/bin/sh\necho not a Windows program\n", ERROR_BAD_EXE_FORMAT},
        {"MZ", ERROR_BAD_EXE_FORMAT},
        {good.substr(0, 0x200), ERROR_BAD_EXE_FORMAT},                 // section cut off
        {good.substr(0, 0x200 + 0x50), ERROR_RESOURCE_DATA_NOT_FOUND}, // data cut off
    };
    for (const Case& c : cases) {
        SetLastError(0);
        DWORD handle = 0;
        EXPECT_EQ(GetFileVersionInfoSizeA(Place(c.bytes).c_str(), &handle), 0u);
        EXPECT_EQ(GetLastError(), c.error);
    }
    SetLastError(0);
    DWORD handle = 0;
    EXPECT_EQ(GetFileVersionInfoSizeA("C:\\missing.exe", &handle), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    std::vector<BYTE> block(100);
    EXPECT_FALSE(GetFileVersionInfoA("C:\\missing.exe", 0, 100, block.data()));
}

TEST_F(VersionInfo, OnlyTheRootOfAWellFormedBlockIsAnswered) {
    const std::string path = Place(VersionedPe(1, 2, 3, 4));
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    void* value = nullptr;
    UINT length = 0;
    EXPECT_FALSE(
        VerQueryValueA(block.data(), "\\StringFileInfo\\080404b0\\FileVersion", &value, &length));
    std::vector<BYTE> damaged = block;
    damaged[40] ^= 0xFF; // the record's signature
    EXPECT_FALSE(VerQueryValueA(damaged.data(), "\\", &value, &length));
    damaged = block;
    damaged[0] = 20; // a length too short to hold the record
    damaged[1] = 0;
    EXPECT_FALSE(VerQueryValueA(damaged.data(), "\\", &value, &length));
    EXPECT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    EXPECT_EQ(value, block.data() + 40);
}

} // namespace

namespace {

using testing_support::IconImage;
using testing_support::SquarePng;

class IconImages : public testing_support::SystemRootTest {
protected:
    std::string Place(const std::string& bytes) {
        const std::string path = systemRoot.DriveC() + "/program.exe";
        WriteLinuxFile(path, bytes);
        return path;
    }
};

TEST_F(IconImages, TheGroupsImagesComeOutAsStoredInTheGroupsOrder) {
    const std::vector<IconImage> icons = {
        {16, SquarePng(16)}, {32, "BMP-like data"}, {256, SquarePng(256)}};
    for (bool pe32Plus : {false, true}) {
        const std::string path =
            Place(VersionedPe(1, 0, 0, 0, {.pe32Plus = pe32Plus, .icons = icons}));
        EXPECT_EQ(winapi::ReadIconImages(path),
                  (std::vector<std::string>{icons[0].bytes, icons[1].bytes, icons[2].bytes}));
        EXPECT_EQ(winapi::ImageMachine(path), pe32Plus ? 0x8664 : 0x14C);
        // The version is still found beside the icons.
        DWORD handle = 0;
        EXPECT_NE(GetFileVersionInfoSizeA("C:\\program.exe", &handle), 0u);
    }
}

TEST_F(IconImages, FilesWithoutIconsOrCutShortGiveNone) {
    EXPECT_TRUE(winapi::ReadIconImages(Place(VersionedPe(1, 0, 0, 0))).empty());
    EXPECT_TRUE(winapi::ReadIconImages(Place("#!/bin/sh\n")).empty());
    EXPECT_FALSE(winapi::ImageMachine(Place("#!/bin/sh\n")));
    EXPECT_TRUE(winapi::ReadIconImages(systemRoot.DriveC() + "/missing.exe").empty());
    EXPECT_FALSE(winapi::ImageMachine(systemRoot.DriveC() + "/missing.exe"));
    // Cut inside the last image's data: the images before it are still read.
    const std::string whole =
        VersionedPe(1, 0, 0, 0, {.icons = {{16, SquarePng(16)}, {256, SquarePng(256)}}});
    const auto images = winapi::ReadIconImages(Place(whole.substr(0, whole.size() - 0x400)));
    EXPECT_LE(images.size(), 1u);
    for (const std::string& image : images)
        EXPECT_EQ(image, SquarePng(16));
}

} // namespace
