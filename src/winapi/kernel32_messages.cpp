// kernel32 FormatMessageA over the layer's own message table: Linux has no Windows message
// resources, so the texts a Chinese Windows gives for the codes this program can meet are kept
// here (UTF-8 in the source, handed out as GBK). HRESULTs that wrap a Win32 code
// (0x8007xxxx) share that code's text, as on Windows. The language argument is not consulted:
// the table has one language.
#include "Gbk.h"
#include "advapi32.h"
#include "kernel32.h"

#include <cstring>
#include <map>
#include <string>

namespace {

constexpr DWORD FACILITY_WIN32_MASK = 0x80070000;

const std::map<DWORD, const char*>& MessageTable() {
    static const std::map<DWORD, const char*> table{
        {ERROR_SUCCESS, "操作成功完成。"},
        {ERROR_INVALID_FUNCTION, "函数不正确。"}, // also S_FALSE
        {ERROR_FILE_NOT_FOUND, "系统找不到指定的文件。"},
        {ERROR_PATH_NOT_FOUND, "系统找不到指定的路径。"},
        {ERROR_TOO_MANY_OPEN_FILES, "系统无法打开文件。"},
        {ERROR_ACCESS_DENIED, "拒绝访问。"},
        {ERROR_INVALID_HANDLE, "句柄无效。"},
        {ERROR_NOT_ENOUGH_MEMORY, "存储空间不足，无法处理此命令。"},
        {ERROR_BAD_ENVIRONMENT, "环境不正确。"},
        {ERROR_BAD_FORMAT, "试图加载格式不正确的程序。"},
        {ERROR_INVALID_DATA, "数据无效。"},
        {ERROR_OUTOFMEMORY, "存储空间不足，无法完成此操作。"},
        {ERROR_WRITE_PROTECT, "介质受写入保护。"},
        {ERROR_NOT_READY, "设备未就绪。"},
        {ERROR_SHARING_VIOLATION, "另一个程序正在使用此文件，进程无法访问。"},
        {ERROR_HANDLE_EOF, "已到文件结尾。"},
        {ERROR_BAD_NETPATH, "找不到网络路径。"},
        {ERROR_FILE_EXISTS, "文件存在。"},
        {ERROR_INVALID_PARAMETER, "参数错误。"},
        {ERROR_DISK_FULL, "磁盘空间不足。"},
        {ERROR_INSUFFICIENT_BUFFER, "传递给系统调用的数据区域太小。"},
        {ERROR_INVALID_NAME, "文件名、目录名或卷标语法不正确。"},
        {ERROR_MOD_NOT_FOUND, "找不到指定的模块。"},
        {ERROR_BADDB, "配置注册表数据库损坏。"},
        {ERROR_REGISTRY_IO_FAILED,
         "由注册表启动的 I/O "
         "操作恢复失败。注册表不能读入、写出或清除任意一个包含注册表系统映像的文件。"},
        {ERROR_PROC_NOT_FOUND, "找不到指定的程序。"},
        {ERROR_NEGATIVE_SEEK, "试图将文件指针移至文件开头之前。"},
        {ERROR_DIR_NOT_EMPTY, "目录不是空的。"},
        {ERROR_BAD_PATHNAME, "指定的路径无效。"},
        {ERROR_ALREADY_EXISTS, "当文件已存在时，无法创建该文件。"},
        {ERROR_MORE_DATA, "有更多数据可用。"},
        {ERROR_BAD_EXE_FORMAT, "%1 不是有效的 Win32 应用程序。"},
        {ERROR_ENVVAR_NOT_FOUND, "系统找不到输入的环境选项。"},
        {ERROR_FILENAME_EXCED_RANGE, "文件名或扩展名太长。"},
        {ERROR_NO_UNICODE_TRANSLATION,
         "在多字节的目标代码页中，没有此 Unicode 字符可以映射到的字符。"},
        {ERROR_IO_DEVICE, "由于 I/O 设备错误，无法运行此项请求。"},
        {1009, "配置注册表数据库损坏。"}, // ERROR_BADDB, a registry file that cannot be read
        {ERROR_RESOURCE_DATA_NOT_FOUND, "指定的映像文件不包含资源部分。"},
        {ERROR_RESOURCE_TYPE_NOT_FOUND, "找不到映像文件中指定的资源类型。"},
        {ERROR_RESOURCE_NAME_NOT_FOUND, "找不到映像文件中指定的资源名。"},
        {static_cast<DWORD>(E_NOTIMPL), "未实现。"},
        {static_cast<DWORD>(E_NOINTERFACE), "不支持此接口。"},
        {static_cast<DWORD>(E_ABORT), "操作已中止。"},
        {static_cast<DWORD>(E_FAIL), "未指定的错误。"},
        {0x80004003, "无效指针。"},                      // E_POINTER
        {0x8000FFFF, "灾难性故障。"},                    // E_UNEXPECTED
        {0x80040111, "ClassFactory 无法提供请求的类。"}, // CLASS_E_CLASSNOTAVAILABLE
        {0x80040154, "没有注册类。"},                    // REGDB_E_CLASSNOTREG
    };
    return table;
}

const char* FindText(DWORD code) {
    const auto& table = MessageTable();
    if (auto it = table.find(code); it != table.end())
        return it->second;
    if ((code & 0xFFFF0000) == FACILITY_WIN32_MASK)
        if (auto it = table.find(code & 0xFFFF); it != table.end())
            return it->second;
    return nullptr;
}

} // namespace

DWORD FormatMessageA(DWORD flags, LPCVOID /*source*/, DWORD messageId, DWORD /*languageId*/,
                     LPSTR buffer, DWORD size, va_list* /*arguments*/) {
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const char* text = FindText(messageId);
    if (!text) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    // Inserts ("%1") are only ever copied as they stand; filling them in is not supported.
    if (!(flags & FORMAT_MESSAGE_IGNORE_INSERTS) && std::strchr(text, '%')) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string message = *gbk::FromUtf8(text) + "\r\n";
    if (message.size() + 1 > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, message.c_str(), message.size() + 1);
    return static_cast<DWORD>(message.size());
}
