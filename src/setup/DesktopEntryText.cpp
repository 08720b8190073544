#include "DesktopEntryText.h"

#include "rtl/FileUtils.h"

#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"
#include "winapi/shell32.h"

namespace {

// A value of type string or localestring: backslash and line breaks escaped.
std::string EscapeValue(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else if (c == '\t')
            escaped += "\\t";
        else
            escaped += c;
    }
    return escaped;
}

// One Exec argument: always quoted, with the four characters that must be escaped inside
// quotes escaped, and "%" doubled so it is no field code.
std::string QuoteExecArgument(std::string_view argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    return quoted + "\"";
}

// The window class the program's windows carry under Wine, its file name in lower case, so a
// desktop groups the running program under its launcher.
std::string WindowClass(const AnsiString& program) {
    std::string name = gbk::ToUtf8OrAsIs(program.substr(program.find_last_of('\\') + 1));
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}

} // namespace

// The .directory file of a submenu, as Wine writes it: its Wine menu has Wine's icon, every
// folder below it the folder icon.
std::string DirectoryText(const std::string& name, const std::string& icon) {
    return "[Desktop Entry]\nType=Directory\nName=" + EscapeValue(name) + "\nIcon=" + icon + "\n";
}

std::string LauncherText(const LauncherEntry& entry) {
    const std::string prefix = winapi::SystemRootPath().value_or("");
    std::string text = "[Desktop Entry]\nType=Application\nName=" + EscapeValue(entry.name) + "\n";
    if (!entry.comment.empty() && entry.comment != entry.name)
        text += "Comment=" + EscapeValue(entry.comment) + "\n";
    text += "Exec=" +
            EscapeValue("env " + QuoteExecArgument("WINEPREFIX=" + prefix) + " wine " +
                        QuoteExecArgument(gbk::ToUtf8OrAsIs(entry.target))) +
            "\n";
    if (auto folder = winapi::ToLinuxPath(ExtractFilePath(entry.target)))
        text += "Path=" + EscapeValue(*folder) + "\n";
    if (!entry.icon.empty())
        text += "Icon=" + EscapeValue(entry.icon) + "\n";
    text += "StartupNotify=true\nStartupWMClass=" + EscapeValue(WindowClass(entry.target)) + "\n";
    return text;
}
