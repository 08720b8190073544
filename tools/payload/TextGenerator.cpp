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

template <typename Make> std::string TextGenerator::Recurring(Make make) {
    if (!history_.empty() && random_.Chance(kRepeatChance))
        return history_[history_.size() - 1 -
                        random_.Skewed(static_cast<uint32_t>(history_.size()))];
    if (history_.size() == kHistoryLimit)
        history_.erase(history_.begin(), history_.begin() + kHistoryLimit / 2);
    history_.push_back(make());
    return history_.back();
}

std::string TextGenerator::Word() {
    return words_[random_.Skewed(static_cast<uint32_t>(words_.size()))];
}

std::string TextGenerator::Identifier() {
    std::string result;
    const uint32_t parts = 1 + random_.Skewed(3);
    for (uint32_t i = 0; i < parts; ++i) {
        std::string part = Word();
        part[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(part[0])));
        result += part;
    }
    return result;
}

std::string TextGenerator::Number() {
    return std::to_string(random_.Chance(0.7) ? random_.Skewed(100) : random_.Skewed(10000));
}

std::string TextGenerator::Sentence() {
    std::string result = Word();
    result[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(result[0])));
    const uint32_t length = 4 + random_.Below(12);
    for (uint32_t i = 1; i < length; ++i) {
        result += random_.Chance(0.06) ? ", " : " ";
        result += random_.Chance(0.04) ? Number() : Word();
    }
    return result + ".";
}

std::string TextGenerator::Path() {
    std::string result;
    const uint32_t depth = random_.Skewed(3);
    for (uint32_t i = 0; i < depth; ++i)
        result += Identifier() + "\\";
    static const char* const kExtensions[] = {".png", ".bmp", ".xml", ".ini", ".dll", ".dat"};
    return result + Word() + kExtensions[random_.Skewed(6)];
}

std::string TextGenerator::IniLine() {
    std::string line = Identifier() + "=";
    switch (random_.Skewed(5)) {
    case 0:
        line += Number();
        break;
    case 1:
        line += Sentence();
        break;
    case 2:
        line += Path();
        break;
    case 3:
        line += random_.Chance(0.5) ? "true" : "false";
        break;
    default:
        line += Number() + "," + Number() + "," + Number() + "," + Number();
        break;
    }
    return line + "\r\n";
}

std::string TextGenerator::IniDocument(size_t size) {
    std::string out = "; " + Sentence() + "\r\n";
    while (out.size() < size) {
        out += "\r\n[" + Identifier() + "]\r\n";
        const uint32_t keys = 2 + random_.Skewed(30);
        for (uint32_t i = 0; i < keys && out.size() < size; ++i)
            out += Recurring([this] { return IniLine(); });
    }
    out.resize(size);
    return out;
}

std::string TextGenerator::XmlStartTag(const std::string& name) {
    std::string tag = "<" + name + " id=\"" + Word() + Number() + "\"";
    static const char* const kGeometry[] = {"left", "top", "width", "height"};
    if (random_.Chance(0.7))
        for (const char* attribute : kGeometry)
            tag += std::string(" ") + attribute + "=\"" + Number() + "\"";
    const uint32_t attributes = random_.Skewed(6);
    for (uint32_t i = 0; i < attributes; ++i)
        tag += " " + Word() + "=\"" + (random_.Chance(0.5) ? Path() : Word()) + "\"";
    return tag;
}

void TextGenerator::XmlElement(std::string& out, int depth, size_t size) {
    const std::string indent(2 * static_cast<size_t>(depth), ' ');
    if (depth >= 6 || random_.Chance(0.55)) {
        out += indent + Recurring([this] { return XmlStartTag(Identifier()) + "/>\r\n"; });
        return;
    }
    const std::string name = Identifier();
    out += indent + XmlStartTag(name);
    out += ">\r\n";
    const uint32_t children = 1 + random_.Skewed(8);
    for (uint32_t i = 0; i < children && out.size() < size; ++i)
        XmlElement(out, depth + 1, size);
    out += indent + "</" + name + ">\r\n";
}

std::string TextGenerator::XmlDocument(size_t size) {
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Skin>\r\n";
    while (out.size() < size)
        XmlElement(out, 1, size);
    out += "</Skin>\r\n";
    out.resize(size);
    return out;
}

std::string TextGenerator::PlainDocument(size_t size) {
    std::string out;
    while (out.size() < size) {
        const uint32_t sentences = 1 + random_.Skewed(8);
        for (uint32_t i = 0; i < sentences; ++i)
            out += Recurring([this] { return Sentence(); }) + " ";
        out += "\r\n\r\n";
    }
    out.resize(size);
    return out;
}
