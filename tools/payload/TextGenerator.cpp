#include "TextGenerator.h"

#include <cctype>
#include <stdexcept>

namespace {

constexpr double kRepeatChance = 0.45;
constexpr size_t kHistoryLimit = 4096;

} // namespace

TextGenerator::TextGenerator(const std::vector<std::string>& words, SeededRandom& random)
    : words_(words), random_(random) {
    if (words_.empty())
        throw std::invalid_argument("the text generator needs words");
}

template <typename Make> std::string TextGenerator::recurring(Make make) {
    if (!history_.empty() && random_.chance(kRepeatChance))
        return history_[history_.size() - 1 -
                        random_.skewed(static_cast<uint32_t>(history_.size()))];
    if (history_.size() == kHistoryLimit)
        history_.erase(history_.begin(), history_.begin() + kHistoryLimit / 2);
    history_.push_back(make());
    return history_.back();
}

std::string TextGenerator::word() {
    return words_[random_.skewed(static_cast<uint32_t>(words_.size()))];
}

std::string TextGenerator::identifier() {
    std::string result;
    const uint32_t parts = 1 + random_.skewed(3);
    for (uint32_t i = 0; i < parts; ++i) {
        std::string part = word();
        part[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(part[0])));
        result += part;
    }
    return result;
}

std::string TextGenerator::number() {
    return std::to_string(random_.chance(0.7) ? random_.skewed(100) : random_.skewed(10000));
}

std::string TextGenerator::sentence() {
    std::string result = word();
    result[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(result[0])));
    const uint32_t length = 4 + random_.below(12);
    for (uint32_t i = 1; i < length; ++i) {
        result += random_.chance(0.06) ? ", " : " ";
        result += random_.chance(0.04) ? number() : word();
    }
    return result + ".";
}

std::string TextGenerator::message() {
    static const char* const kArguments[] = {"%s", "%d", "%08X", "%u", "%ls", "%.2f"};
    std::string result = word();
    const uint32_t length = 2 + random_.below(6);
    for (uint32_t i = 1; i < length; ++i)
        result +=
            " " + (random_.chance(0.15) ? std::string(kArguments[random_.skewed(6)]) : word());
    if (random_.chance(0.4))
        result += " (" + std::string(kArguments[random_.skewed(6)]) + ")";
    return result;
}

std::string TextGenerator::path() {
    std::string result;
    const uint32_t depth = random_.skewed(3);
    for (uint32_t i = 0; i < depth; ++i)
        result += identifier() + "\\";
    static const char* const kExtensions[] = {".png", ".bmp", ".xml", ".ini", ".dll", ".dat"};
    return result + word() + kExtensions[random_.skewed(6)];
}

std::string TextGenerator::iniLine() {
    std::string line = identifier() + "=";
    switch (random_.skewed(5)) {
    case 0:
        line += number();
        break;
    case 1:
        line += sentence();
        break;
    case 2:
        line += path();
        break;
    case 3:
        line += random_.chance(0.5) ? "true" : "false";
        break;
    default:
        line += number() + "," + number() + "," + number() + "," + number();
        break;
    }
    return line + "\r\n";
}

std::string TextGenerator::iniDocument(size_t size) {
    std::string out = "; " + sentence() + "\r\n";
    while (out.size() < size) {
        out += "\r\n[" + identifier() + "]\r\n";
        const uint32_t keys = 2 + random_.skewed(30);
        for (uint32_t i = 0; i < keys && out.size() < size; ++i)
            out += recurring([this] { return iniLine(); });
    }
    out.resize(size);
    return out;
}

std::string TextGenerator::xmlStartTag(const std::string& name) {
    std::string tag = "<" + name + " id=\"" + word() + number() + "\"";
    static const char* const kGeometry[] = {"left", "top", "width", "height"};
    if (random_.chance(0.7))
        for (const char* attribute : kGeometry)
            tag += std::string(" ") + attribute + "=\"" + number() + "\"";
    const uint32_t attributes = random_.skewed(6);
    for (uint32_t i = 0; i < attributes; ++i)
        tag += " " + word() + "=\"" + (random_.chance(0.5) ? path() : word()) + "\"";
    return tag;
}

void TextGenerator::xmlElement(std::string& out, int depth, size_t size) {
    const std::string indent(2 * static_cast<size_t>(depth), ' ');
    if (depth >= 6 || random_.chance(0.55)) {
        out += indent + recurring([this] { return xmlStartTag(identifier()) + "/>\r\n"; });
        return;
    }
    const std::string name = identifier();
    out += indent + xmlStartTag(name);
    out += ">\r\n";
    const uint32_t children = 1 + random_.skewed(8);
    for (uint32_t i = 0; i < children && out.size() < size; ++i)
        xmlElement(out, depth + 1, size);
    out += indent + "</" + name + ">\r\n";
}

std::string TextGenerator::xmlDocument(size_t size) {
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Skin>\r\n";
    while (out.size() < size)
        xmlElement(out, 1, size);
    out += "</Skin>\r\n";
    out.resize(size);
    return out;
}

std::string TextGenerator::plainDocument(size_t size) {
    std::string out;
    while (out.size() < size) {
        const uint32_t sentences = 1 + random_.skewed(8);
        for (uint32_t i = 0; i < sentences; ++i)
            out += recurring([this] { return sentence(); }) + " ";
        out += "\r\n\r\n";
    }
    out.resize(size);
    return out;
}
