// The uninstall entry takes the main program's version through the Windows layer's
// version.dll functions; they must read the generated mervo.exe as Windows would.
#include "PayloadLocations.h"
#include "support/TempSystemRoot.h"
#include "winapi/version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using ProductVersionReading = testing_support::SystemRootTest;

TEST_F(ProductVersionReading, TheMainProgramReportsItsFileVersion) {
    std::string path = std::string("Z:") + PRODUCT_DIR + "/mervo.exe";
    std::replace(path.begin(), path.end(), '/', '\\');

    DWORD handle = 1;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), handle, size, block.data()));
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(info->dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(info->dwFileVersionMS, (3u << 16) | 5u);
    EXPECT_EQ(info->dwFileVersionLS, (0u << 16) | 61u);
}
