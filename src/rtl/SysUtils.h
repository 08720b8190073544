// Errors of the run-time library: an error object carries its message as 8-bit GBK text.
// Handlers raise them; the message loop shows the ones no handler caught.
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <utility>

using AnsiString = std::string; // GBK bytes

class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : message_(std::move(message)) {}
    const AnsiString& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    AnsiString message_;
};

// ASCII letters in upper case, every other byte as it is, whatever the locale: for names and
// switches, never for GBK text, whose second bytes may be ASCII letters.
inline std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}
