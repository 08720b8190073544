#include "rtl/StoredDescription.h"

#include "rtl/Classes.h"
#include "winapi/Gbk.h"

#include <gtest/gtest.h>

namespace {

const char* const kSample = R"(object Form1: TTestForm
  Left = -11
  Width = $24C
  Caption = 'It''s '#25105'的'
    + ' end'
  Visible = False
  Font.Style = [fsBold, fsUnderline]
  Anchors = []
  Data = {0A0b FF
          00}
  Items = <
    item
      Name = 'A'
    end
    item
    end>
  // a comment
  object Inner: TTestPanel
    object Deep: TImage
      Tag = 7
    end
  end
end
)";

void ExpectSameTree(const TObjectDescription& a, const TObjectDescription& b) {
    EXPECT_EQ(WriteBinaryDescription(a), WriteBinaryDescription(b));
}

TEST(StoredDescriptionText, ReadsEveryKindOfValue) {
    TObjectDescription d = ParseDescription(kSample, ".");
    EXPECT_EQ(d.name, "Form1");
    EXPECT_EQ(d.className, "TTestForm");
    ASSERT_EQ(d.properties.size(), 8u);
    EXPECT_EQ(d.properties[0].value.integer, -11);
    EXPECT_EQ(d.properties[1].value.integer, 588);
    EXPECT_EQ(d.properties[2].value.kind, TValue::Kind::String);
    EXPECT_EQ(d.properties[2].value.text, gbk::Literal("It's 我的 end"));
    EXPECT_EQ(d.properties[3].value.kind, TValue::Kind::Ident);
    EXPECT_EQ(d.properties[3].value.text, "False");
    EXPECT_EQ(d.properties[4].name, "Font.Style");
    EXPECT_EQ(d.properties[4].value.names, (std::vector<std::string>{"fsBold", "fsUnderline"}));
    EXPECT_TRUE(d.properties[5].value.names.empty());
    EXPECT_EQ(d.properties[6].value.bytes, (TBytes{0x0A, 0x0B, 0xFF, 0x00}));
    ASSERT_EQ(d.properties[7].value.items.size(), 2u);
    EXPECT_EQ(d.properties[7].value.items[0].properties[0].value.text, "A");
    EXPECT_TRUE(d.properties[7].value.items[1].properties.empty());
    EXPECT_EQ(d.properties[7].line, 11);
    ASSERT_EQ(d.children.size(), 1u);
    ASSERT_EQ(d.children[0].children.size(), 1u);
    EXPECT_EQ(d.children[0].children[0].className, "TImage");
    EXPECT_EQ(d.children[0].children[0].properties[0].value.integer, 7);
}

TEST(StoredDescriptionText, BinaryBlocksComeFromFilesAndBuildVariables) {
    std::string dir = testing::TempDir();
    FILE* f = std::fopen((dir + "/block.bin").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite("\x01\x02\x03", 1, 3, f);
    std::fclose(f);
    std::vector<std::string> read;
    TObjectDescription d = ParseDescription(
        "object A: TForm\n  X = file('block.bin')\n  Y = file('${BUILD}/block.bin')\nend", dir,
        &read, {{"BUILD", dir}});
    EXPECT_EQ(d.properties[0].value.bytes, (TBytes{1, 2, 3}));
    EXPECT_EQ(d.properties[1].value.bytes, (TBytes{1, 2, 3}));
    EXPECT_EQ(read.size(), 2u);
}

TEST(StoredDescriptionText, ReportsTheLineOfEachMistake) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"object A: TForm\n  Caption = 'open\nend", "line 2: unterminated string"},
        {"object A: TForm\n\n  X = {ABC}\nend", "line 3: odd number of hex digits"},
        {"object A: TForm\n  X = file('missing.bin')\nend", "line 2: cannot read ./missing.bin"},
        {"object A: TForm\n  X = file('${NOPE}/a')\nend", "line 2: unknown variable NOPE"},
        {"object A: TForm\n  X 5\nend", "line 2: expected =, found 5"},
        {"object A: TForm\n  X = 1\n",
         "line 3: expected a property, object or end, found end of text"},
        {"object A: TForm\nend\nend", "line 3: text after the final end"},
        {"thing A: TForm\nend", "line 1: expected object, found thing"},
    };
    for (const Case& c : cases) {
        try {
            ParseDescription(c.text, ".");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
}

TEST(StoredDescriptionText, RefusesTextThatGbkCannotWrite) {
    try {
        ParseDescription("object A: TForm\n  Caption = '\xF0\x9F\x98\x80'\nend", ".");
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message().rfind("line 2: text cannot be written in GBK", 0), 0u);
    }
}

TEST(StoredDescriptionBinary, GivesBackTheSameTree) {
    TObjectDescription d = ParseDescription(kSample, ".");
    TBytes binary = WriteBinaryDescription(d);
    ExpectSameTree(ReadBinaryDescription(binary), d);
}

TEST(StoredDescriptionBinary, RefusesEveryTruncationAndTrailingBytes) {
    TBytes binary = WriteBinaryDescription(ParseDescription(kSample, "."));
    for (size_t n = 0; n < binary.size(); ++n) {
        try {
            ReadBinaryDescription(std::span(binary.data(), n));
            ADD_FAILURE() << "accepted " << n << " bytes";
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), "Invalid stream format");
        }
    }
    binary.push_back(0);
    EXPECT_THROW(ReadBinaryDescription(binary), EReadError);
}

TEST(StoredDescriptionBinary, RefusesHugeCountsWithoutAllocating) {
    TBytes binary = {'D', 'S', 'C', '1', 0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_THROW(ReadBinaryDescription(binary), EReadError);
}

} // namespace
