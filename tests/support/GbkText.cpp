#include "support/GbkText.h"

#include "winapi/Gbk.h"

#include <gtest/gtest.h>

namespace testing_support {

std::string GbkText(std::string_view utf8) {
    const auto text = gbk::FromUtf8(utf8);
    EXPECT_TRUE(text.has_value()) << "GBK cannot write " << utf8;
    return text.value_or("");
}

} // namespace testing_support
