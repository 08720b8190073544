// Text that reads and compresses like a program's own text files and string constants:
// settings files, layout descriptions, read-me prose, messages and identifiers, drawn from
// a word list with the skewed frequencies of real text.
#pragma once

#include "SeededRandom.h"

#include <string>
#include <utility>
#include <vector>

class TextGenerator {
public:
    TextGenerator(const std::vector<std::string>& words, SeededRandom& random);

    std::string word();
    std::string identifier(); // CamelCase, one to three words
    std::string sentence();
    std::string message(); // a diagnostic format string, "cannot open %s (%d)"
    std::string path();    // a relative Windows path

    // Whole documents of about `size` bytes (CRLF line ends).
    std::string iniDocument(size_t size);
    std::string xmlDocument(size_t size);
    std::string plainDocument(size_t size);

private:
    // Real text repeats itself: a line or sentence already written comes back now and
    // then (settings with the same value, boilerplate sentences, copied elements).
    template <typename Make> std::string recurring(Make make);
    std::string number();
    std::string iniLine();
    std::string xmlStartTag(const std::string& name);
    void xmlElement(std::string& out, int depth, size_t size);

    const std::vector<std::string>& words_;
    SeededRandom& random_;
    std::vector<std::string> history_;
};
