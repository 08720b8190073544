#include "VersionInfo.h"

#include <charconv>
#include <stdexcept>

namespace {

std::string Numbers(const FileVersion& version) {
    return std::to_string(version.major) + "," + std::to_string(version.minor) + "," +
           std::to_string(version.build) + "," + std::to_string(version.revision);
}

// A string literal of the script: quotes are doubled and backslashes escaped, as the resource
// compiler reads escape sequences in strings.
std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            throw std::invalid_argument("a version string cannot hold a control character: " +
                                        std::string(text));
        if (c == '"')
            quoted += "\"\"";
        else if (c == '\\')
            quoted += "\\\\";
        else
            quoted += c;
    }
    return quoted + "\"";
}

} // namespace

FileVersion FileVersion::Parse(std::string_view text) {
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

std::string FileVersion::ToString() const {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build) + "." +
           std::to_string(revision);
}

std::string VersionResourceScript(const VersionResourceFields& fields) {
    std::string script = "#include <winver.h>\n"
                         "VS_VERSION_INFO VERSIONINFO\n";
    script += "FILEVERSION " + Numbers(fields.fileVersion) + "\n";
    script += "PRODUCTVERSION " + Numbers(fields.productVersion) + "\n";
    script += "FILEFLAGSMASK VS_FFI_FILEFLAGSMASK\n"
              "FILEFLAGS 0\n"
              "FILEOS VOS_NT_WINDOWS32\n";
    script += fields.isLibrary ? "FILETYPE VFT_DLL\n" : "FILETYPE VFT_APP\n";
    script += "FILESUBTYPE 0\n"
              "BEGIN\n"
              "  BLOCK \"StringFileInfo\"\n"
              "  BEGIN\n"
              "    BLOCK \"080404b0\"\n" // Chinese (PRC), UTF-16
              "    BEGIN\n";
    for (const auto& [name, value] : fields.strings)
        script += "      VALUE " + Quoted(name) + ", " + Quoted(value) + "\n";
    script += "    END\n"
              "  END\n"
              "  BLOCK \"VarFileInfo\"\n"
              "  BEGIN\n"
              "    VALUE \"Translation\", 0x0804, 1200\n"
              "  END\n"
              "END\n";
    return script;
}
