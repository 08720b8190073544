// Text that reads and compresses like a program's own text files and string constants:
// settings files, layout descriptions and read-me prose, drawn from
// a word list with the skewed frequencies of real text.
#pragma once

#include "SeededRandom.h"

#include <string>
#include <utility>
#include <vector>

class TextGenerator {
public:
    TextGenerator(const std::vector<std::string>& words, SeededRandom& random);

    // Whole documents of about `size` bytes (CRLF line ends).
    std::string IniDocument(size_t size);
    std::string XmlDocument(size_t size);
    std::string PlainDocument(size_t size);

private:
    std::string Word();
    std::string Identifier(); // CamelCase, one to three words
    std::string Sentence();
    std::string Path(); // a relative Windows path
    // Real text repeats itself: a line or sentence already written comes back now and
    // then (settings with the same value, boilerplate sentences, copied elements).
    template <typename Make> std::string Recurring(Make make);
    std::string Number();
    std::string IniLine();
    std::string XmlStartTag(const std::string& name);
    void XmlElement(std::string& out, int depth, size_t size);

    const std::vector<std::string>& words_;
    SeededRandom& random_;
    std::vector<std::string> history_;
};
