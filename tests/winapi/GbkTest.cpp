#include "winapi/Gbk.h"

#include <gtest/gtest.h>

TEST(Gbk, ChineseTextRoundTrips) {
    const std::string utf8 = "Talvimo安装向导";
    const auto gbkText = gbk::FromUtf8(utf8);
    ASSERT_TRUE(gbkText.has_value());
    EXPECT_EQ(*gbkText, "Talvimo\xB0\xB2\xD7\xB0\xCF\xF2\xB5\xBC");
    EXPECT_EQ(gbk::ToUtf8(*gbkText), utf8);
    EXPECT_EQ(gbk::ToWide(*gbkText), L"Talvimo安装向导");
    EXPECT_EQ(gbk::FromWide(L"Talvimo安装向导"), gbkText);
    EXPECT_EQ(gbk::ToUtf16(*gbkText), u"Talvimo安装向导");
    EXPECT_EQ(gbk::ToUtf8(""), "");
}

TEST(Gbk, TextGbkCannotWriteIsRefused) {
    EXPECT_FALSE(gbk::FromUtf8("music \xF0\x9F\x8E\xB5").has_value());
    EXPECT_FALSE(gbk::FromWide(L"\u0E01").has_value()); // Thai
    EXPECT_FALSE(gbk::ToUtf8("\xB0").has_value());      // lead byte without trail
    EXPECT_THROW(gbk::Literal("music \xF0\x9F\x8E\xB5"), std::logic_error);
    EXPECT_FALSE(gbk::ToUtf8("\xFF\xFF").has_value());
    EXPECT_FALSE(gbk::FromUtf8("\xC3").has_value()); // broken UTF-8
}

TEST(Gbk, Utf8DecodesToCodePointsAndOnlyValidUtf8Does) {
    EXPECT_EQ(gbk::WideFromUtf8("a\xC3\xA9\xE5\xAE\x89\xF0\x9F\x8E\xB5"),
              L"a\u00E9\u5B89\U0001F3B5");
    EXPECT_EQ(gbk::WideFromUtf8(""), L"");
    for (const char* bad :
         {"\xC3", "\xE5\xAE", "\x80", "\xC0\xAF", "\xED\xA0\x80", "\xFF", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(gbk::WideFromUtf8(bad).has_value()) << bad;
}

TEST(Gbk, Utf16BecomesUtf8WithItsSurrogatePairsJoined) {
    EXPECT_EQ(gbk::Utf8FromUtf16(u"Software\\安装\U0001F3B5"),
              "Software\\\xE5\xAE\x89\xE8\xA3\x85\xF0\x9F\x8E\xB5");
    EXPECT_EQ(gbk::Utf8FromUtf16(u""), "");
    EXPECT_FALSE(gbk::Utf8FromUtf16(std::u16string(1, char16_t{0xD83C})).has_value());
    EXPECT_FALSE(gbk::Utf8FromUtf16(u"a" + std::u16string(1, char16_t{0xDF75})).has_value());
}

TEST(Gbk, OnlyASingleByteBackslashEndsAString) {
    EXPECT_TRUE(gbk::EndsWithBackslash("C:\\"));
    EXPECT_TRUE(gbk::EndsWithBackslash("\\"));
    EXPECT_FALSE(gbk::EndsWithBackslash(""));
    EXPECT_FALSE(gbk::EndsWithBackslash("C:\\Apps"));
    const std::string cheng = gbk::Literal("誠"); // D5 5C
    ASSERT_EQ(cheng, "\xD5\x5C");
    EXPECT_FALSE(gbk::EndsWithBackslash("C:\\" + cheng));
    EXPECT_TRUE(gbk::EndsWithBackslash("C:\\" + cheng + "\\"));
    EXPECT_FALSE(gbk::EndsWithBackslash(cheng + cheng));
    // A lone lead byte before a backslash pairs with it, as the system's character walk does.
    EXPECT_FALSE(gbk::EndsWithBackslash("a\xD5\\"));
}
