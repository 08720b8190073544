#include "ProductManifest.h"

#include "SeededRandom.h"
#include "VersionInfo.h"

#include <charconv>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <stdexcept>

namespace {

constexpr double kSeriesSizeSpread = 0.35;

std::vector<std::string> Tokenize(std::string_view line, int lineNumber) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        if (line[i] == '#')
            break;
        std::string token;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            if (line[i] == '"')
                quoted = !quoted;
            else
                token += line[i];
            ++i;
        }
        if (quoted)
            throw std::runtime_error("manifest line " + std::to_string(lineNumber) +
                                     ": unterminated quote");
        tokens.push_back(std::move(token));
    }
    return tokens;
}

uint64_t ParseNumber(const std::string& text, int lineNumber) {
    uint64_t value = 0;
    const bool hex = text.starts_with("0x");
    const char* begin = text.data() + (hex ? 2 : 0);
    const auto [end, error] =
        std::from_chars(begin, text.data() + text.size(), value, hex ? 16 : 10);
    if (error != std::errc() || end != text.data() + text.size() || begin == end)
        throw std::runtime_error("manifest line " + std::to_string(lineNumber) +
                                 ": not a number: " + text);
    return value;
}

double ParseFraction(const std::string& text, int lineNumber) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        throw std::runtime_error("manifest line " + std::to_string(lineNumber) +
                                 ": not a number: " + text);
    return value;
}

int64_t ParseTime(const std::string& text, int lineNumber) {
    std::tm parts{};
    std::istringstream in(text);
    in >> std::get_time(&parts, "%Y-%m-%dT%H:%M:%S");
    if (in.fail() || in.peek() != std::char_traits<char>::eof())
        throw std::runtime_error("manifest line " + std::to_string(lineNumber) +
                                 ": not a time (YYYY-MM-DDTHH:MM:SS): " + text);
    return static_cast<int64_t>(timegm(&parts));
}

std::string VersionSetting(const std::string& value, int lineNumber) {
    try {
        return FileVersion::Parse(value).ToString();
    } catch (const std::invalid_argument& error) {
        throw std::runtime_error("manifest line " + std::to_string(lineNumber) + ": " +
                                 error.what());
    }
}

const std::map<std::string, ProductFileKind, std::less<>> kKinds = {
    {"exe", ProductFileKind::Executable}, {"dll", ProductFileKind::Library},
    {"ini", ProductFileKind::IniText},    {"xml", ProductFileKind::XmlText},
    {"txt", ProductFileKind::PlainText},  {"media", ProductFileKind::Media},
    {"copy", ProductFileKind::Copy},
};

void AddFiles(ProductManifest& manifest, const std::vector<std::string>& tokens, int lineNumber) {
    const auto fail = [lineNumber](const std::string& what) {
        throw std::runtime_error("manifest line " + std::to_string(lineNumber) + ": " + what);
    };
    if (tokens.size() < 3)
        fail("expected <kind> <size> <path>");
    ProductFileEntry entry;
    entry.kind = kKinds.at(tokens[0]);
    if (entry.kind == ProductFileKind::Copy) {
        if (tokens[1] != "-")
            fail("a copied file takes its size from its source; write -");
    } else {
        entry.size = ParseNumber(tokens[1], lineNumber);
        if (entry.size == 0)
            fail("a generated file needs a size");
    }
    entry.path = tokens[2];
    if (!IsPlainRelativePath(entry.path))
        fail("not a plain relative Windows path: " + entry.path);
    entry.version = manifest.version;
    uint64_t count = 1;
    for (size_t i = 3; i < tokens.size(); ++i) {
        const size_t equals = tokens[i].find('=');
        if (equals == std::string::npos)
            fail("expected name=value: " + tokens[i]);
        const std::string name = tokens[i].substr(0, equals);
        const std::string value = tokens[i].substr(equals + 1);
        if (name == "count")
            count = ParseNumber(value, lineNumber);
        else if (name == "description")
            entry.description = value;
        else if (name == "source")
            entry.source = value;
        else if (name == "program")
            entry.program = value;
        else if (name == "version")
            entry.version = FileVersion::Parse(value).ToString();
        else if (name == "media")
            entry.mediaShare = ParseFraction(value, lineNumber);
        else
            fail("unknown option: " + name);
    }
    if (entry.kind == ProductFileKind::Copy && !IsPlainRelativePath(entry.source))
        fail("a copied file needs source=<relative path>");
    const bool isProgram =
        entry.kind == ProductFileKind::Executable || entry.kind == ProductFileKind::Library;
    if (!entry.program.empty() && (!isProgram || !IsPlainRelativePath(entry.program)))
        fail("program= names a compiled program file for an exe or dll");
    if (entry.mediaShare < 0 || entry.mediaShare > 0.9)
        fail("media share out of range");
    const size_t placeholder = entry.path.find("{n}");
    if ((count > 1) != (placeholder != std::string::npos))
        fail("a series needs count=N and {n} in its path");
    if (count == 1) {
        manifest.files.push_back(std::move(entry));
        return;
    }
    for (uint64_t n = 1; n <= count; ++n) {
        ProductFileEntry member = entry;
        std::string number = std::to_string(n);
        if (number.size() < 2)
            number.insert(0, "0");
        member.path.replace(placeholder, 3, number);
        SeededRandom random(SeededRandom::MixSeed(manifest.seed, member.path));
        const double factor = 1.0 + kSeriesSizeSpread * (2.0 * random.Unit() - 1.0);
        member.size = static_cast<uint64_t>(static_cast<double>(entry.size) * factor);
        manifest.files.push_back(std::move(member));
    }
}

} // namespace

bool IsPlainRelativePath(std::string_view path) {
    if (path.empty() || path.front() == '\\' || path.back() == '\\')
        return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    for (unsigned char c : path)
        if (c < 0x20 ||
            std::string_view("/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    return true;
}

ProductManifest ProductManifest::Parse(std::string_view text) {
    ProductManifest manifest;
    std::istringstream in{std::string(text)};
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> tokens = Tokenize(line, lineNumber);
        if (tokens.empty())
            continue;
        const std::string& key = tokens[0];
        if (kKinds.contains(key)) {
            try {
                AddFiles(manifest, tokens, lineNumber);
            } catch (const std::logic_error& error) { // a bad version or number in an option
                throw std::runtime_error("manifest line " + std::to_string(lineNumber) + ": " +
                                         error.what());
            }
            continue;
        }
        if (!manifest.files.empty())
            throw std::runtime_error("manifest line " + std::to_string(lineNumber) +
                                     ": settings come before the files");
        if (tokens.size() != 2)
            throw std::runtime_error("manifest line " + std::to_string(lineNumber) +
                                     ": expected <name> <value> or a file line");
        const std::string& value = tokens[1];
        if (key == "seed")
            manifest.seed = ParseNumber(value, lineNumber);
        else if (key == "mtime")
            manifest.modificationTime = ParseTime(value, lineNumber);
        else if (key == "company")
            manifest.company = value;
        else if (key == "product")
            manifest.product = value;
        else if (key == "copyright")
            manifest.copyright = value;
        else if (key == "version")
            manifest.version = VersionSetting(value, lineNumber);
        else
            throw std::runtime_error("manifest line " + std::to_string(lineNumber) +
                                     ": unknown setting: " + key);
    }
    if (manifest.files.empty())
        throw std::runtime_error("manifest lists no files");
    return manifest;
}

ProductManifest ProductManifest::Load(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}
