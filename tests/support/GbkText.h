// GBK bytes of a UTF-8 literal, for tests that feed the program's 8-bit strings; fails the
// test when GBK cannot write the text.
#pragma once

#include <string>
#include <string_view>

namespace testing_support {

std::string GbkText(std::string_view utf8);

} // namespace testing_support
