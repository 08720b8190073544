// Strings and property values exchanged with the library.
#include "rtl/SysUtils.h"
#include "sevenzip/Bstr.h"
#include "sevenzip/PropVariant.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

TEST(LibraryValues, OurStringsHaveTheLibrarysLayoutBothWays) {
    void* library = dlopen(SEVEN_ZIP_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr);
    using AllocFunc = BSTR (*)(const wchar_t*);
    using LengthFunc = UInt32 (*)(BSTR);
    using FreeFunc = void (*)(BSTR);
    auto libraryAlloc = reinterpret_cast<AllocFunc>(dlsym(library, "SysAllocString"));
    auto libraryLength = reinterpret_cast<LengthFunc>(dlsym(library, "SysStringLen"));
    auto libraryFree = reinterpret_cast<FreeFunc>(dlsym(library, "SysFreeString"));
    ASSERT_TRUE(libraryAlloc && libraryLength && libraryFree);

    BSTR ours = AllocBstr(L"qhtrwel$$");
    EXPECT_EQ(libraryLength(ours), 9u);
    EXPECT_EQ(ours[9], L'\0');
    libraryFree(ours);

    BSTR theirs = libraryAlloc(L"播放器");
    EXPECT_EQ(BstrText(theirs), L"播放器");
    FreeBstr(theirs);

    BSTR empty = AllocBstr(L"");
    EXPECT_EQ(libraryLength(empty), 0u);
    FreeBstr(empty);
    dlclose(library);
}

TEST(LibraryValues, PropertyValuesConvertLikeVariants) {
    PROPVARIANT value{};
    value.vt = VT_EMPTY;
    EXPECT_EQ(PropVariantToWide(value), L"");
    EXPECT_EQ(PropVariantToInt32(value), 0);
    EXPECT_FALSE(PropVariantToBool(value));

    value.vt = VT_BOOL;
    value.boolVal = VARIANT_TRUE;
    EXPECT_TRUE(PropVariantToBool(value));

    value.vt = VT_UI8;
    value.uhVal = 0x7FFFFFFF;
    EXPECT_EQ(PropVariantToInt32(value), 0x7FFFFFFF);
    value.uhVal = 0x80000000;
    EXPECT_THROW(PropVariantToInt32(value), Exception); // beyond the signed 32-bit range

    value.vt = VT_BSTR;
    value.bstrVal = AllocBstr(L"dir/file.txt");
    EXPECT_EQ(PropVariantToWide(value), L"dir/file.txt");
    ClearPropVariant(value);
    EXPECT_EQ(value.vt, VT_EMPTY);
}

} // namespace
