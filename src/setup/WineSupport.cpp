#include "WineSupport.h"

#include "winapi/Gbk.h"
#include "winapi/ProgramStarter.h"
#include "winapi/SystemRoot.h"
#include "winapi/version.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr WORD kMachineI386 = 0x14C;
constexpr WORD kMachineAmd64 = 0x8664;

// Wine's library folders beside the prefix its `wine` lives in (<prefix>/bin/wine): the
// upstream layout and Debian's multiarch ones.
bool HasUnixSide(const fs::path& wine, const char* multiarch, const char* libFolder,
                 const char* unixSide) {
    std::error_code error;
    const fs::path prefix = fs::canonical(wine, error).parent_path().parent_path();
    if (error)
        return false;
    for (const fs::path& folder : {prefix / "lib" / "wine", prefix / "lib" / multiarch / "wine",
                                   prefix / libFolder / "wine"})
        if (fs::is_directory(folder / unixSide, error))
            return true;
    return false;
}

// The architecture Wine made the root for: the "#arch=" line near the top of its system.reg;
// WINEARCH for a root whose registry does not exist yet.
std::string RootArchitecture(const std::string& root) {
    std::ifstream registry(root + "/system.reg");
    if (!registry)
        return winapi::WineArchitecture();
    std::string line;
    for (int lines = 0; lines < 8 && std::getline(registry, line); ++lines)
        if (line.rfind("#arch=", 0) == 0)
            return line.substr(6, line.find_last_not_of("\r") - 5);
    return "win64"; // a registry without the line is Wine's older 64-bit layout
}

} // namespace

WORD ProductMachine() {
    return VOSTREL_PRODUCT_MACHINE;
}

AnsiString RootArchitectureMessage(const std::string& root, WORD productMachine) {
    if (productMachine != kMachineAmd64 || RootArchitecture(root) != "win32")
        return AnsiString();
    return gbk::Literal("Talvimo 是 64 位 Windows 程序，无法安装到 32 位的系统根目录 ") +
           gbk::FromUtf8(root).value_or(root) +
           gbk::Literal("（WINEARCH=win32）。请换用 64 位的系统根目录（WINEARCH=win64，"
                        "例如另设一个 WINEPREFIX）后重新安装。");
}

AnsiString MissingWineMessage(const AnsiString& program) {
    const auto path = winapi::ToLinuxPath(program);
    const auto machine = path ? winapi::ImageMachine(*path) : std::nullopt;
    if (!machine)
        return AnsiString();
    const AnsiString later =
        gbk::Literal("Talvimo 已经安装完成，安装所需软件后即可从菜单或桌面启动 Talvimo。");
    const auto wine = winapi::FindWine();
    if (!wine)
        return gbk::Literal("本机没有安装 Wine，无法运行 Talvimo。请安装 wine") +
               (*machine == kMachineI386 ? gbk::Literal("及其 32 位支持（wine32）")
                                         : AnsiString()) +
               gbk::Literal("。\n") + later;
    if (*machine == kMachineI386 && !HasUnixSide(*wine, "i386-linux-gnu", "lib32", "i386-unix"))
        return gbk::Literal(
                   "Talvimo 是 32 位 Windows 程序，本机的 Wine 没有 32 位支持。请安装 wine 的 "
                   "32 位支持（wine32）。\n") +
               later;
    if (*machine == kMachineAmd64 &&
        !HasUnixSide(*wine, "x86_64-linux-gnu", "lib64", "x86_64-unix"))
        return gbk::Literal(
                   "Talvimo 是 64 位 Windows 程序，本机的 Wine 没有 64 位支持。请安装 wine 的 "
                   "64 位支持（wine64）。\n") +
               later;
    return AnsiString();
}
