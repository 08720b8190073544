// UTF-8 text (our sources and inputs) to UTF-16LE, the encoding of PE version strings.
#pragma once

#include <string>
#include <string_view>

std::u16string Utf8ToUtf16(std::string_view utf8);
