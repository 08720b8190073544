#include "VersionInfo.h"

#include "ByteBuffer.h"
#include "Utf16.h"

#include <charconv>
#include <cstdio>
#include <stdexcept>

namespace {

constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr uint32_t kFixedInfoStructVersion = 0x00010000;
constexpr uint32_t kVosNtWindows32 = 0x00040004;
constexpr uint32_t kVftApp = 1;
constexpr uint32_t kVftDll = 2;

// One node of the version tree: header (wLength, wValueLength, wType), key, value,
// children, each part starting on a 32-bit boundary. wLength covers everything up to the
// end of the last part; the padding after a node belongs to whatever follows it.
class VersionNode {
public:
    VersionNode(ByteBuffer& out, std::u16string_view key, uint16_t valueLength, bool text)
        : out_(out), start_(out.size()) {
        out_.alignTo(4);
        start_ = out_.size();
        out_.put16(0);
        out_.put16(valueLength);
        out_.put16(text ? 1 : 0);
        for (char16_t c : key)
            out_.put16(c);
        out_.put16(0);
        out_.alignTo(4);
    }
    ~VersionNode() { out_.patch16(start_, static_cast<uint16_t>(out_.size() - start_)); }
    VersionNode(const VersionNode&) = delete;
    VersionNode& operator=(const VersionNode&) = delete;

private:
    ByteBuffer& out_;
    size_t start_;
};

void putFixedFileInfo(ByteBuffer& out, const VersionInfoFields& fields) {
    out.put32(kFixedInfoSignature);
    out.put32(kFixedInfoStructVersion);
    out.put32(fields.fileVersion.mostSignificant());
    out.put32(fields.fileVersion.leastSignificant());
    out.put32(fields.productVersion.mostSignificant());
    out.put32(fields.productVersion.leastSignificant());
    out.put32(0x3F); // dwFileFlagsMask
    out.put32(0);    // dwFileFlags: a release build
    out.put32(kVosNtWindows32);
    out.put32(fields.isLibrary ? kVftDll : kVftApp);
    out.put32(0); // dwFileSubtype
    out.put32(0); // dwFileDateMS
    out.put32(0); // dwFileDateLS
}

void putString(ByteBuffer& out, std::string_view name, std::string_view value) {
    const std::u16string text = Utf8ToUtf16(value);
    VersionNode node(out, Utf8ToUtf16(name), static_cast<uint16_t>(text.size() + 1), true);
    for (char16_t c : text)
        out.put16(c);
    out.put16(0);
}

std::u16string stringTableKey() {
    char key[9];
    std::snprintf(key, sizeof key, "%04x%04x", kVersionLanguage, kVersionCodePage);
    return Utf8ToUtf16(key);
}

} // namespace

FileVersion FileVersion::parse(std::string_view text) {
    uint16_t parts[4] = {};
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (p == end || *p != '.')
                throw std::invalid_argument("bad file version: " + std::string(text));
            ++p;
        }
        const auto [next, error] = std::from_chars(p, end, parts[i]);
        if (error != std::errc() || next == p)
            throw std::invalid_argument("bad file version: " + std::string(text));
        p = next;
    }
    if (p != end)
        throw std::invalid_argument("bad file version: " + std::string(text));
    return {parts[0], parts[1], parts[2], parts[3]};
}

std::string FileVersion::toString() const {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build) + "." +
           std::to_string(revision);
}

std::vector<uint8_t> BuildVersionInfo(const VersionInfoFields& fields) {
    ByteBuffer out;
    {
        constexpr uint16_t kFixedInfoSize = 52;
        VersionNode root(out, u"VS_VERSION_INFO", kFixedInfoSize, false);
        putFixedFileInfo(out, fields);
        {
            VersionNode stringFileInfo(out, u"StringFileInfo", 0, true);
            VersionNode table(out, stringTableKey(), 0, true);
            for (const auto& [name, value] : fields.strings)
                putString(out, name, value);
        }
        {
            VersionNode varFileInfo(out, u"VarFileInfo", 0, true);
            VersionNode translation(out, u"Translation", 4, false);
            out.put16(kVersionLanguage);
            out.put16(kVersionCodePage);
        }
    }
    return out.take();
}
