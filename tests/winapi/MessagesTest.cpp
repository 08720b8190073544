#include "winapi/Gbk.h"

#include "winapi/Gbk.h"
#include "winapi/kernel32.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

constexpr DWORD kFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

std::string Message(DWORD code) {
    char buffer[256];
    const DWORD length = FormatMessageA(kFlags, nullptr, code, 0, buffer, sizeof buffer, nullptr);
    return std::string(buffer, length);
}

} // namespace

TEST(FormatMessage, GivesTheChineseSystemTexts) {
    EXPECT_EQ(Message(ERROR_FILE_NOT_FOUND), gbk::Literal("系统找不到指定的文件。\r\n"));
    EXPECT_EQ(Message(ERROR_PATH_NOT_FOUND), gbk::Literal("系统找不到指定的路径。\r\n"));
    EXPECT_EQ(Message(ERROR_ACCESS_DENIED), gbk::Literal("拒绝访问。\r\n"));
    EXPECT_EQ(Message(ERROR_DISK_FULL), gbk::Literal("磁盘空间不足。\r\n"));
    EXPECT_EQ(Message(ERROR_SHARING_VIOLATION),
              gbk::Literal("另一个程序正在使用此文件，进程无法访问。\r\n"));
    EXPECT_EQ(Message(ERROR_BAD_EXE_FORMAT), gbk::Literal("%1 不是有效的 Win32 应用程序。\r\n"));
    EXPECT_EQ(Message(static_cast<DWORD>(E_FAIL)), gbk::Literal("未指定的错误。\r\n"));
    EXPECT_EQ(Message(static_cast<DWORD>(E_ABORT)), gbk::Literal("操作已中止。\r\n"));
}

TEST(FormatMessage, EveryCodeTheProgramCanMeetHasAText) {
    for (DWORD code : {ERROR_SUCCESS,
                       ERROR_FILE_NOT_FOUND,
                       ERROR_PATH_NOT_FOUND,
                       ERROR_TOO_MANY_OPEN_FILES,
                       ERROR_ACCESS_DENIED,
                       ERROR_INVALID_HANDLE,
                       ERROR_NOT_ENOUGH_MEMORY,
                       ERROR_BAD_FORMAT,
                       ERROR_INVALID_DATA,
                       ERROR_OUTOFMEMORY,
                       ERROR_WRITE_PROTECT,
                       ERROR_NOT_READY,
                       ERROR_SHARING_VIOLATION,
                       ERROR_HANDLE_EOF,
                       ERROR_BAD_NETPATH,
                       ERROR_FILE_EXISTS,
                       ERROR_INVALID_PARAMETER,
                       ERROR_DISK_FULL,
                       ERROR_INSUFFICIENT_BUFFER,
                       ERROR_INVALID_NAME,
                       ERROR_MOD_NOT_FOUND,
                       ERROR_PROC_NOT_FOUND,
                       ERROR_NEGATIVE_SEEK,
                       ERROR_DIR_NOT_EMPTY,
                       ERROR_ALREADY_EXISTS,
                       ERROR_BAD_EXE_FORMAT,
                       ERROR_FILENAME_EXCED_RANGE,
                       ERROR_NO_UNICODE_TRANSLATION,
                       ERROR_IO_DEVICE,
                       ERROR_RESOURCE_DATA_NOT_FOUND,
                       ERROR_RESOURCE_TYPE_NOT_FOUND,
                       ERROR_RESOURCE_NAME_NOT_FOUND,
                       static_cast<DWORD>(S_FALSE),
                       static_cast<DWORD>(E_NOTIMPL),
                       static_cast<DWORD>(E_NOINTERFACE),
                       static_cast<DWORD>(E_ABORT),
                       static_cast<DWORD>(E_FAIL),
                       static_cast<DWORD>(E_OUTOFMEMORY),
                       static_cast<DWORD>(E_INVALIDARG)}) {
        const std::string text = Message(code);
        const auto utf8 = gbk::ToUtf8(text);
        ASSERT_TRUE(utf8.has_value()) << code;
        EXPECT_TRUE(utf8->ends_with("。\r\n")) << code << ": " << *utf8;
    }
}

TEST(FormatMessage, WrappedWin32CodesShareTheirText) {
    EXPECT_EQ(Message(static_cast<DWORD>(E_INVALIDARG)), Message(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Message(static_cast<DWORD>(E_OUTOFMEMORY)), Message(ERROR_OUTOFMEMORY));
    EXPECT_EQ(Message(static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_DISK_FULL))),
              Message(ERROR_DISK_FULL));
    EXPECT_EQ(Message(static_cast<DWORD>(S_FALSE)), gbk::Literal("函数不正确。\r\n"));
}

TEST(FormatMessage, UnknownCodesAndSmallBuffersGiveNothing) {
    char buffer[256] = "untouched";
    EXPECT_EQ(FormatMessageA(kFlags, nullptr, 99999, 0, buffer, sizeof buffer, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(FormatMessageA(kFlags, nullptr, ERROR_SHARING_VIOLATION, 0, buffer, 8, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    // Inserts cannot be filled in, so a text with one needs IGNORE_INSERTS.
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_BAD_EXE_FORMAT, 0, buffer,
                             sizeof buffer, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_DISK_FULL, 0, buffer,
                             sizeof buffer, nullptr),
              0u);
}

TEST(LastError, IsKeptPerThreadAndErrorModeReturnsThePrevious) {
    SetLastError(ERROR_DISK_FULL);
    DWORD seenByOtherThread = 1;
    std::thread([&] { seenByOtherThread = GetLastError(); }).join();
    EXPECT_EQ(seenByOtherThread, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    const UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
    EXPECT_EQ(SetErrorMode(old), SEM_FAILCRITICALERRORS);
}
