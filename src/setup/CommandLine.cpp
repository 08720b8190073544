#include "CommandLine.h"

#include "rtl/FileUtils.h"
#include "rtl/SysUtils.h"

#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

bool IsFlag(const std::string& name) {
    static const char* const flags[] = {"VERYSILENT",    "SILENT",      "NODESKTOPICON",
                                        "NOQUICKLAUNCH", "NOAUTOSTART", "RUN"};
    return std::any_of(std::begin(flags), std::end(flags),
                       [&](const char* flag) { return name == flag; });
}

bool IsHelp(const std::string& argument) {
    const std::string word = UpperCase(argument);
    return word == "/?" || word == "-?" || word == "/HELP" || word == "-HELP" || word == "--HELP";
}

// The options QGuiApplication and QApplication read from argv themselves, with one dash or
// two; those marked take the next word (or "=value") as their value.
struct QtOption {
    const char* name;
    bool takesValue;
};

const QtOption* FindQtOption(const std::string& argument) {
    static const QtOption options[] = {{"platform", true},      {"platformpluginpath", true},
                                       {"platformtheme", true}, {"plugin", true},
                                       {"qmljsdebugger", true}, {"qwindowgeometry", true},
                                       {"qwindowicon", true},   {"qwindowtitle", true},
                                       {"reverse", false},      {"session", true},
                                       {"display", true},       {"geometry", true},
                                       {"title", true},         {"icon", true},
                                       {"name", true},          {"style", true},
                                       {"stylesheet", true},    {"widgetcount", false},
                                       {"nograb", false},       {"dograb", false},
                                       {"sync", false},         {"testability", false}};
    if (argument.size() < 2 || argument[0] != '-')
        return nullptr;
    std::string_view name(argument);
    name.remove_prefix(argument[1] == '-' ? 2 : 1);
    name = name.substr(0, name.find('='));
    for (const QtOption& option : options)
        if (name == option.name)
            return &option;
    return nullptr;
}

// "/DIR=x" gives name "DIR" and value "x"; quotes around the value are the shell's business,
// but a value still quoted (passed through by a Windows-style caller) loses them.
void SplitSwitch(const std::string& body, std::string& name, std::optional<std::string>& value) {
    const size_t equals = body.find('=');
    name = UpperCase(body.substr(0, equals));
    if (equals == std::string::npos)
        return;
    std::string text = body.substr(equals + 1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    value = text;
}

[[noreturn]] void Refuse(const std::string& chinese, const std::string& english) {
    throw ECommandLineError(chinese + "\n" + english);
}

} // namespace

AnsiString InstallFolderFromSwitch(const std::string& value) {
    const bool linuxPath = !value.empty() && value.front() == '/';
    const bool drivePath = value.size() >= 3 &&
                           std::isalpha(static_cast<unsigned char>(value[0])) && value[1] == ':' &&
                           (value[2] == '\\' || value[2] == '/');
    if (!linuxPath && !drivePath)
        Refuse("安装文件夹必须是绝对路径：" + value,
               "The install folder must be an absolute path: " + value);
    const auto folder = linuxPath ? winapi::ToWindowsPath(value) : gbk::FromUtf8(value);
    if (!folder)
        Refuse("安装文件夹的名称无法用 GBK 编码表示：" + value,
               "The install folder's name cannot be written in GBK: " + value);
    return IncludeTrailingBackslash(*folder);
}

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    // Help wins over everything given with it, wrong words included.
    if (std::any_of(arguments.begin(), arguments.end(), IsHelp)) {
        TCommandLine help;
        help.mode = TCommandLine::Mode::Help;
        return help;
    }
    TCommandLine line;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (const QtOption* option = FindQtOption(argument)) {
            if (option->takesValue && argument.find('=') == std::string::npos)
                ++i; // the option's value is the next word
            continue;
        }
        if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-'))
            Refuse("不是开关：" + argument + "（含空格的路径须整个加引号）",
                   "Not a switch: " + argument + " (quote a path that contains spaces)");
        std::string name;
        std::optional<std::string> value;
        SplitSwitch(argument.substr(1), name, value);
        if (!IsFlag(name) && name != "DIR" && name != "LOG")
            Refuse("未知的参数：" + argument, "Unknown switch: " + argument);
        line.AnySwitch = true;
        if (IsFlag(name) && value)
            Refuse("参数不接受取值：" + argument, "The switch takes no value: " + argument);
        if (!IsFlag(name) && (!value || value->empty()))
            Refuse("参数缺少取值：" + argument, "The switch needs a value: " + argument);
        if (name == "VERYSILENT")
            line.mode = TCommandLine::Mode::VerySilent;
        else if (name == "SILENT" && line.mode != TCommandLine::Mode::VerySilent)
            line.mode = TCommandLine::Mode::Silent;
        else if (name == "NODESKTOPICON")
            line.desktopIcon = false;
        else if (name == "NOQUICKLAUNCH")
            line.quickLaunch = false;
        else if (name == "NOAUTOSTART")
            line.autoStart = false;
        else if (name == "RUN")
            line.run = true;
        else if (name == "DIR")
            line.installDir = InstallFolderFromSwitch(*value);
        else if (name == "LOG")
            line.logFile = *value;
    }
    return line;
}

std::string CommandLineHelp() {
    return "用法 / Usage: VostrelSetup [开关 / switches]\n"
           "  /VERYSILENT      不显示窗口，无需图形显示 / no window, no display needed\n"
           "  /SILENT          只显示进度窗口 / only the progress window\n"
           "  /DIR=\"C:\\路径\"    安装文件夹（Windows 路径或 Linux 绝对路径）/ install folder\n"
           "                   (a Windows path, or a Linux absolute path through Z:)\n"
           "  /NODESKTOPICON   不创建桌面快捷方式 / no desktop link\n"
           "  /NOQUICKLAUNCH   不创建快速启动快捷方式 / no quick-launch link\n"
           "  /NOAUTOSTART     不随系统启动 / do not start with the system\n"
           "  /RUN             安装完成后启动播放器 / start the player when done\n"
           "  /LOG=\"文件\"      写入安装日志（UTF-8）/ write a log of every step (UTF-8)\n"
           "                   无法写入时只给出警告 / only a warning when it cannot be written\n"
           "  /?, /HELP        显示本帮助 / show this help\n"
           "退出码 / Exit codes:\n"
           "  0  安装完成 / installed\n"
           "  1  参数有误，或安装文件夹是驱动器或文件系统的根目录 / bad switches, or the\n"
           "     install folder is the root of a drive or file system\n"
           "  2  安装失败 / the install failed\n"
           "  3  另一个安装程序正在运行 / another install is running for this system root or\n"
           "     into this install folder\n"
           "  4  安装包缺失或已损坏 / the payload is missing or damaged\n"
           "  5  安装被取消，已全部撤销 / cancelled (a signal or a lost display), all undone\n";
}
