#include "RegistryReadBack.h"

#include "support/LockHolder.h"
#include "support/RegistryValues.h"
#include "support/TempSystemRoot.h"
#include "winapi/Gbk.h"

#include "rtl/Registry.h"

#include "winapi/RegistryFile.h"
#include "winapi/RegistryStore.h"
#include "winapi/SystemRoot.h"
#include "winapi/advapi32.h"
#include "winapi/kernel32.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::ReadLinuxFile;
using testing_support::WriteLinuxFile;

namespace {

constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// A piece of a real Wine system.reg: option lines, a symbolic link, continued hex data,
// expandable strings, numbers, escapes, a comment.
const std::string kWineFile = R"(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\Machine

#arch=win64

[Software\\Classes\\Wow6432Node\\AppId] 1796761766
#time=1dd8752d176680a
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,\
  00,5c,00,4d,00,61,00,63,00,68,00

[Software\\Microsoft\\Windows\\CurrentVersion\\Run] 1796761772
#time=1dd8752d531dd08
"Other"="C:\\windows\\other.exe \"quoted\""
;; kept as written

[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall] 1796761772
#time=1dd8752d531e2b2

[System\\Select] 1796761772
#time=1dd8752d5324e3c
@=str(2):"%SystemRoot%\\x"
"Current"=dword:00000001
"Name\x4e2d"="\x6587a"
)";

class Registry : public testing_support::SystemRootTest {
protected:
    std::string FilePath() { return *winapi::SystemRootPath() + "/system.reg"; }
    std::string FileText() { return ReadLinuxFile(FilePath()).value_or(""); }

    HKEY Create(const char* path, REGSAM access = KEY_ALL_ACCESS, DWORD* disposition = nullptr) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  access, nullptr, &key, disposition),
                  ERROR_SUCCESS)
            << path;
        return key;
    }

    LSTATUS SetString(HKEY key, const char* name, const std::string& data) {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                              static_cast<DWORD>(data.size() + 1));
    }

    std::u16string StringValue(std::u16string_view key, std::u16string_view name) {
        auto file = winapi::ReadRegistryFile(FilePath());
        if (!file)
            return u"<unreadable>";
        auto value = file->GetValue(key, name);
        if (!value || value->type != REG_SZ || value->data.size() < 2)
            return u"<missing>";
        return winapi::FromUtf16Le(value->data.substr(0, value->data.size() - 2));
    }
};

TEST_F(Registry, ANewFileHoldsTheKeyAndValueInWinesFormat) {
    DWORD disposition = 0;
    HKEY key = Create(kRunKey, KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    ASSERT_EQ(SetString(key, "mervo", "\"C:\\Program Files\\Vostrel\\mervo.exe Minimize\""),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    const std::string text = FileText();
    EXPECT_EQ(text.rfind("WINE REGISTRY Version 2\n", 0), 0u);
    EXPECT_NE(text.find("\n#arch=win64\n"), std::string::npos); // else Wine takes it for 32-bit
    const size_t head =
        text.find("\n\n[SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run] ");
    ASSERT_NE(head, std::string::npos) << text;
    const size_t time = text.find("\n#time=", head);
    const size_t value =
        text.find("\n\"mervo\"=\"\\\"C:\\\\Program Files\\\\Vostrel\\\\mervo.exe Minimize\\\"\"\n");
    EXPECT_NE(time, std::string::npos);
    EXPECT_GT(value, time) << text;
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(Registry, KeysAndValuesAlreadyThereAreKeptByteForByte) {
    WriteLinuxFile(FilePath(), kWineFile);
    DWORD disposition = 0;
    HKEY key =
        Create("software\\MICROSOFT\\windows\\currentversion\\run", KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    ASSERT_EQ(SetString(key, "mervo", "x"), ERROR_SUCCESS);
    RegCloseKey(key);

    // The new value goes after the key's last value, before its comment and blank line.
    std::string expected = kWineFile;
    const std::string after = "\"Other\"=\"C:\\\\windows\\\\other.exe \\\"quoted\\\"\"\n";
    expected.insert(expected.find(after) + after.size(), "\"mervo\"=\"x\"\n");
    EXPECT_EQ(FileText(), expected);
}

TEST_F(Registry, AValueIsReplacedWhateverTheCaseOfItsName) {
    WriteLinuxFile(FilePath(), kWineFile);
    HKEY key = Create(kRunKey);
    ASSERT_EQ(SetString(key, "OTHER", "new"), ERROR_SUCCESS);
    RegCloseKey(key);
    std::string expected = kWineFile;
    const std::string old = "\"Other\"=\"C:\\\\windows\\\\other.exe \\\"quoted\\\"\"\n";
    expected.replace(expected.find(old), old.size(), "\"OTHER\"=\"new\"\n");
    EXPECT_EQ(FileText(), expected);
}

TEST_F(Registry, ANewKeyTakesTheSpellingOfTheKeysAboveIt) {
    WriteLinuxFile(FilePath(), kWineFile);
    RegCloseKey(Create("SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\Uninstall\\Talvimo"));
    const std::string text = FileText();
    EXPECT_EQ(text.rfind(kWineFile, 0), 0u);
    EXPECT_NE(text.find("\n\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\"
                        "Talvimo] "),
              std::string::npos)
        << text;
    // A second create finds it.
    DWORD disposition = 0;
    RegCloseKey(Create("software\\microsoft\\windows\\currentversion\\uninstall\\talvimo",
                       KEY_ALL_ACCESS, &disposition));
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
}

TEST_F(Registry, ChineseTextIsStoredAsWineEscapesAndReadBack) {
    HKEY key = Create(kRunKey);
    const std::string data = gbk::Literal("C:\\程序\\播放器a.exe");
    ASSERT_EQ(SetString(key, gbk::Literal("名").c_str(), data), ERROR_SUCCESS);
    RegCloseKey(key);
    // U+7A0B, U+5E8F, U+64AD, U+653E, U+5668 ("a" after it is a hex digit: four digits).
    EXPECT_NE(
        FileText().find("\"\\x540d\"=\"C:\\\\\\x7a0b\\x5e8f\\\\\\x64ad\\x653e\\x5668a.exe\"\n"),
        std::string::npos)
        << FileText();
    EXPECT_EQ(StringValue(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", u"名"),
              u"C:\\程序\\播放器a.exe");
}

TEST_F(Registry, ExistingValuesOfEveryKindReadBack) {
    WriteLinuxFile(FilePath(), kWineFile);
    auto file = winapi::ReadRegistryFile(FilePath());
    ASSERT_TRUE(file);
    EXPECT_EQ(StringValue(u"System\\Select", u"Name中"), u"文a");
    auto number = file->GetValue(u"SYSTEM\\select", u"current");
    ASSERT_TRUE(number);
    EXPECT_EQ(number->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(number->data, std::string("\x01\0\0\0", 4));
    auto expandable = file->GetValue(u"System\\Select", u"");
    ASSERT_TRUE(expandable);
    EXPECT_EQ(expandable->type, static_cast<DWORD>(REG_EXPAND_SZ));
    auto link = file->GetValue(u"Software\\Classes\\Wow6432Node\\AppId", u"SymbolicLinkValue");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->type, 6u);
    EXPECT_EQ(link->data.size(), 28u);
}

TEST_F(Registry, DeletingAValueRemovesOnlyItsLine) {
    WriteLinuxFile(FilePath(), kWineFile);
    HKEY key = Create(kRunKey);
    EXPECT_EQ(RegDeleteValueA(key, "other"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "other"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
    std::string expected = kWineFile;
    const std::string old = "\"Other\"=\"C:\\\\windows\\\\other.exe \\\"quoted\\\"\"\n";
    expected.erase(expected.find(old), old.size());
    EXPECT_EQ(FileText(), expected);
}

// An edit that leaves its folder unflushed says so only when it replaced the file, so the one
// flush at the end is never skipped; the file itself is complete at once.
TEST_F(Registry, AnEditLeftUnflushedReportsOnlyAReplacedFile) {
    WriteLinuxFile(FilePath(), kWineFile);
    auto edit = [&](const std::function<DWORD(winapi::RegistryFile&)>& change) {
        bool unsynced = false;
        const DWORD error = winapi::EditRegistryFile(FilePath(), change, "win64", &unsynced);
        return std::make_pair(error, unsynced);
    };
    EXPECT_EQ(edit([](winapi::RegistryFile& file) {
                  return file.CreateKey(u"Software\\New") ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS;
              }),
              std::make_pair(DWORD{ERROR_SUCCESS}, true));
    EXPECT_TRUE(winapi::ReadRegistryFile(FilePath())->HasKey(u"software\\new"));
    const std::string replaced = FileText();
    // Nothing changed, the edit failed, or the file is damaged: the file was not replaced.
    EXPECT_EQ(edit([](winapi::RegistryFile& file) {
                  file.CreateKey(u"Software\\New");
                  return ERROR_SUCCESS;
              }),
              std::make_pair(DWORD{ERROR_SUCCESS}, false));
    EXPECT_EQ(edit([](winapi::RegistryFile& file) {
                  file.CreateKey(u"Software\\Other");
                  return ERROR_FILE_NOT_FOUND;
              }),
              std::make_pair(DWORD{ERROR_FILE_NOT_FOUND}, false));
    EXPECT_EQ(FileText(), replaced);
    WriteLinuxFile(FilePath(), "REGEDIT4\n");
    EXPECT_EQ(edit([](winapi::RegistryFile&) { return ERROR_SUCCESS; }),
              std::make_pair(DWORD{ERROR_BADDB}, false));
}

// Successive edits reuse the parsed file only while nobody else has touched it: a file another
// writer replaced or rewrote in place is read again, and a failed edit's half is never kept.
TEST_F(Registry, EditsSeeWhatOtherWritersDidBetweenThem) {
    auto setValue = [&](std::u16string_view key, std::u16string_view name, DWORD result) {
        return winapi::EditRegistryFile(FilePath(), [&](winapi::RegistryFile& file) {
            winapi::ApplyChanges(
                file, key, {{std::u16string(name), winapi::RegistryValue{REG_DWORD, "\1\0\0\0"}}});
            return result;
        });
    };
    WriteLinuxFile(FilePath(), kWineFile);
    ASSERT_EQ(setValue(u"Software\\Mine", u"first", ERROR_SUCCESS), ERROR_SUCCESS);

    // Replaced by another writer: its file is the one edited next.
    const std::string other = FilePath() + ".other";
    WriteLinuxFile(other, kWineFile + "\n[Software\\\\Theirs] 1796761772\n");
    ASSERT_EQ(std::rename(other.c_str(), FilePath().c_str()), 0);
    ASSERT_EQ(setValue(u"Software\\Mine", u"second", ERROR_SUCCESS), ERROR_SUCCESS);
    auto file = winapi::ReadRegistryFile(FilePath());
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->HasKey(u"Software\\Theirs"));
    EXPECT_FALSE(file->GetValue(u"Software\\Mine", u"first"));
    EXPECT_TRUE(file->GetValue(u"Software\\Mine", u"second"));

    // Rewritten in place, keeping the inode.
    const std::string before = FileText();
    WriteLinuxFile(FilePath(), before + "\n[Software\\\\InPlace] 1796761772\n");
    ASSERT_EQ(setValue(u"Software\\Mine", u"third", ERROR_SUCCESS), ERROR_SUCCESS);
    file = winapi::ReadRegistryFile(FilePath());
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->HasKey(u"Software\\InPlace"));
    EXPECT_TRUE(file->GetValue(u"Software\\Mine", u"third"));

    // A failed edit leaves the file as it was, and the next edit does not carry its change.
    const std::string held = FileText();
    EXPECT_EQ(setValue(u"Software\\Failed", u"v", ERROR_ACCESS_DENIED),
              static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(FileText(), held);
    ASSERT_EQ(setValue(u"Software\\Mine", u"fourth", ERROR_SUCCESS), ERROR_SUCCESS);
    file = winapi::ReadRegistryFile(FilePath());
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->HasKey(u"Software\\Failed"));
    EXPECT_TRUE(file->GetValue(u"Software\\Mine", u"fourth"));
    EXPECT_EQ(FileText().rfind(kWineFile, 0), 0u);
}

// Values written through a handle are in the file before it is closed, so a writer that edits
// the file meanwhile keeps them, and the handle's later writes keep that writer's.
TEST_F(Registry, AnOpenHandlesWritesAndAnotherWritersAreBothKept) {
    WriteLinuxFile(FilePath(), kWineFile);
    HKEY key = Create(kRunKey);
    ASSERT_EQ(SetString(key, "first", "1"), ERROR_SUCCESS);
    EXPECT_EQ(StringValue(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", u"first"), u"1");
    const pid_t other = fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        HKEY otherKey = nullptr;
        const bool done =
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Other", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &otherKey, nullptr) == ERROR_SUCCESS &&
            SetString(otherKey, "v", "2") == ERROR_SUCCESS &&
            RegCloseKey(otherKey) == ERROR_SUCCESS;
        _exit(done ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(SetString(key, "second", "3"), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(StringValue(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", u"first"), u"1");
    EXPECT_EQ(StringValue(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", u"second"), u"3");
    EXPECT_EQ(StringValue(u"Software\\Other", u"v"), u"2");
}

TEST_F(Registry, LongBinaryDataWrapsAsWineWritesIt) {
    winapi::RegistryFile file = winapi::RegistryFile::Empty();
    file.CreateKey(u"A");
    file.SetValue(u"A", u"Bin", {REG_BINARY, std::string(40, '\x5a')});
    const std::string text = file.Text();
    // Wine breaks the line once it is longer than 76 columns: "Bin"=hex: and 23 bytes.
    const std::string firstLine = "\"Bin\"=hex:" + [] {
        std::string bytes;
        for (int i = 0; i < 23; ++i)
            bytes += "5a,";
        return bytes;
    }() + "\\\n  5a,";
    EXPECT_NE(text.find(firstLine), std::string::npos) << text;
    auto reparsed = winapi::RegistryFile::Parse(text);
    ASSERT_TRUE(reparsed);
    EXPECT_EQ(reparsed->GetValue(u"a", u"bin")->data, std::string(40, '\x5a'));
}

TEST_F(Registry, ADamagedFileIsNeverRewritten) {
    const std::string damaged[] = {
        "REGEDIT4\n\n[Software]\n",
        kWineFile + "\"Cut\"=\"no end\n",
        kWineFile + "\"Cut\"=hex:01,02,\\\n",
        kWineFile.substr(0, kWineFile.size() - 1),
        kWineFile + "stray text\n",
        "WINE REGISTRY Version 2\n\"Value\"=\"outside any key\"\n",
    };
    for (const std::string& text : damaged) {
        WriteLinuxFile(FilePath(), text);
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\New", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  static_cast<LSTATUS>(ERROR_BADDB));
        EXPECT_EQ(FileText(), text);
        EXPECT_FALSE(winapi::ReadRegistryFile(FilePath()));
    }
    // A key opened before the damage cannot write either.
    WriteLinuxFile(FilePath(), kWineFile);
    HKEY key = Create(kRunKey);
    WriteLinuxFile(FilePath(), damaged[1]);
    EXPECT_EQ(SetString(key, "mervo", "x"), static_cast<LSTATUS>(ERROR_BADDB));
    EXPECT_EQ(RegDeleteValueA(key, "Other"), static_cast<LSTATUS>(ERROR_BADDB));
    EXPECT_EQ(FileText(), damaged[1]);
    RegCloseKey(key);
}

TEST_F(Registry, BadHandlesAndRightsAreRefused) {
    EXPECT_EQ(SetString(nullptr, "a", "b"), static_cast<LSTATUS>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(SetString(HKEY_LOCAL_MACHINE, "a", "b"), static_cast<LSTATUS>(ERROR_ACCESS_DENIED));
    HKEY readOnly = Create(kRunKey, KEY_QUERY_VALUE);
    EXPECT_EQ(SetString(readOnly, "a", "b"), static_cast<LSTATUS>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(RegCloseKey(readOnly), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(readOnly), static_cast<LSTATUS>(ERROR_INVALID_HANDLE));
    const std::string notGbk = "\x81\x20";
    HKEY key = Create(kRunKey);
    EXPECT_EQ(SetString(key, "a", notGbk), static_cast<LSTATUS>(ERROR_NO_UNICODE_TRANSLATION));
    RegCloseKey(key);
}

TEST_F(Registry, WritersInSeveralProcessesLoseNothing) {
    WriteLinuxFile(FilePath(), kWineFile);
    constexpr int kWriters = 4;
    constexpr int kValuesEach = 25;
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failures = 0;
            for (int i = 0; i < kValuesEach; ++i) {
                HKEY key = nullptr;
                const std::string path = "Software\\Writer" + std::to_string(w);
                failures += RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                            KEY_ALL_ACCESS, nullptr, &key, nullptr) != 0;
                const std::string name = "v" + std::to_string(i);
                failures += SetString(key, name.c_str(), name) != ERROR_SUCCESS;
                failures += SetString(key, "shared", name) != ERROR_SUCCESS;
                RegCloseKey(key);
            }
            _exit(failures == 0 ? 0 : 1);
        }
        writers.push_back(pid);
    }
    for (pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto file = winapi::ReadRegistryFile(FilePath());
    ASSERT_TRUE(file);
    EXPECT_EQ(FileText().rfind(kWineFile, 0), 0u);
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kValuesEach; ++i) {
            const std::string name = "v" + std::to_string(i);
            const std::u16string key = u"Software\\Writer" + std::u16string(1, u'0' + w);
            EXPECT_EQ(StringValue(key, std::u16string(name.begin(), name.end())),
                      std::u16string(name.begin(), name.end()));
        }
    // No temporary files are left beside the registry.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(*winapi::SystemRootPath()))
        files += entry.path().filename().string().rfind("system.reg", 0) == 0;
    EXPECT_EQ(files, 1);
}

TEST_F(Registry, ANewFileNamesTheArchitectureWineArchAsks) {
    setenv("WINEARCH", "win32", 1);
    HKEY key = Create("Software\\Arch");
    unsetenv("WINEARCH");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_NE(FileText().find("\n#arch=win32\n"), std::string::npos) << FileText();
}

TEST(RegistryArch, AnUnknownWineArchIsRefusedBeforeAnythingIsMade) {
    testing_support::TempSystemRoot root;
    setenv("WINEARCH", "win16", 1);
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Arch", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr);
    unsetenv("WINEARCH");
    EXPECT_EQ(status, static_cast<LSTATUS>(ERROR_BAD_ENVIRONMENT));
    EXPECT_FALSE(std::filesystem::exists(root.Root()));
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_BAD_ENVIRONMENT, 0, text, sizeof text,
                   nullptr);
    EXPECT_EQ(std::string(text), gbk::Literal("环境不正确。\r\n"));
}

namespace {

std::vector<std::string> Temporaries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("system.reg.", 0) == 0)
            names.push_back(name);
    }
    return names;
}

} // namespace

TEST_F(Registry, AWriterKilledMidWriteLeavesATemporaryTheNextWriteRemoves) {
    const std::string root = *winapi::SystemRootPath();
    WriteLinuxFile(FilePath(), kWineFile);
    // A large value keeps the writer busy writing its temporary long enough to be killed there.
    const std::string big(32 << 20, 'x');
    for (int attempt = 0; attempt < 20 && Temporaries(root).empty(); ++attempt) {
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            HKEY key = nullptr;
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Big", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr);
            RegSetValueExA(key, "big", 0, REG_BINARY, reinterpret_cast<const BYTE*>(big.data()),
                           static_cast<DWORD>(big.size()));
            _exit(0);
        }
        while (Temporaries(root).empty() && waitpid(writer, nullptr, WNOHANG) == 0) {
        }
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        // On a busy machine the writer can finish its rename between the look and the kill;
        // that round caught nothing, so it starts again from the original file.
        if (FileText() != kWineFile) {
            for (const std::string& name : Temporaries(root))
                std::filesystem::remove(root + "/" + name);
            WriteLinuxFile(FilePath(), kWineFile);
        }
    }
    ASSERT_FALSE(Temporaries(root).empty()) << "no writer was caught mid-write";
    EXPECT_EQ(FileText(), kWineFile); // the file itself is never half-written

    HKEY key = Create("Software\\After");
    ASSERT_EQ(SetString(key, "v", "1"), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(Temporaries(root).empty());
    EXPECT_EQ(StringValue(u"Software\\After", u"v"), u"1");
}

TEST_F(Registry, ATemporaryALiveWriterHoldsIsLeftAlone) {
    const std::string root = *winapi::SystemRootPath();
    const std::string temporary = root + "/system.reg.Ab12Cd";
    testing_support::LockHolder writer([&] {
        const int fd = open(temporary.c_str(), O_CREAT | O_WRONLY, 0600);
        flock(fd, LOCK_EX);
    });
    ASSERT_TRUE(writer.Holding());
    HKEY key = Create("Software\\Live");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::exists(temporary));
    writer.End();
    key = Create("Software\\Live2");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_FALSE(std::filesystem::exists(temporary));
}

constexpr const char* kProductKey = "Software\\Vostrel\\Talvimo";

TEST_F(Registry, ValuesOfEveryKindReadBackAsStoredAndRestoreTheFileByteForByte) {
    WriteLinuxFile(FilePath(), kWineFile);
    auto values = testing_support::RegistryValuesOfEveryType();
    for (auto& odd : testing_support::OddlySizedRegistryValues())
        values.push_back(std::move(odd));
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(kProductKey, true));
    for (const auto& [name, value] : values)
        registry.WriteValue(name, value);
    registry.CloseKey();
    const std::string before = FileText();

    // A later install overwrites each value; putting back what was read restores the file.
    ASSERT_TRUE(registry.OpenKey(kProductKey, false));
    const std::vector<winapi::RegistryValue> read = ReadBackAndOverwrite(registry, values);
    ASSERT_NE(FileText(), before);
    for (size_t i = 0; i < values.size(); ++i)
        registry.WriteValue(values[i].name, read[i]);
    EXPECT_EQ(FileText(), before);

    // So does a value Wine itself wrote, its continued hex lines included.
    ASSERT_TRUE(registry.OpenKey("\\Software\\Classes\\Wow6432Node\\AppId", false));
    const auto link = registry.ReadValue("SymbolicLinkValue");
    ASSERT_TRUE(link);
    registry.WriteString("SymbolicLinkValue", "x");
    registry.WriteValue("SymbolicLinkValue", *link);
    EXPECT_EQ(FileText(), before);
    EXPECT_FALSE(registry.ReadValue("Missing"));
    EXPECT_FALSE(registry.ValueExists("Missing"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(registry.ValueExists("symboliclinkvalue"));
}

TEST_F(Registry, QueriedValuesFollowWin32Sizes) {
    WriteLinuxFile(FilePath(), kWineFile);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\Select", 0, KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    const std::string name = gbk::Literal("Name中");
    const std::string text = gbk::Literal("文a") + std::string(1, '\0');
    struct Case {
        const char* what;
        const char* value;
        DWORD room;
        bool withData;
        LSTATUS status;
        DWORD type;
        DWORD size;
        std::string data;
    };
    const Case cases[] = {
        {"size only", name.c_str(), 0, false, ERROR_SUCCESS, REG_SZ, 4, ""},
        {"GBK text", name.c_str(), 16, true, ERROR_SUCCESS, REG_SZ, 4, text},
        {"exact room", name.c_str(), 4, true, ERROR_SUCCESS, REG_SZ, 4, text},
        {"too small", name.c_str(), 3, true, ERROR_MORE_DATA, REG_SZ, 4, ""},
        {"number", "CURRENT", 4, true, ERROR_SUCCESS, REG_DWORD, 4, std::string("\1\0\0\0", 4)},
        {"missing", "Absent", 16, true, ERROR_FILE_NOT_FOUND, 0, 16, ""},
    };
    for (const Case& c : cases) {
        char buffer[16] = {};
        DWORD type = 0;
        DWORD size = c.room;
        EXPECT_EQ(RegQueryValueExA(key, c.value, nullptr, &type,
                                   c.withData ? reinterpret_cast<BYTE*>(buffer) : nullptr, &size),
                  c.status)
            << c.what;
        EXPECT_EQ(type, c.type) << c.what;
        EXPECT_EQ(size, c.size) << c.what;
        EXPECT_EQ(std::string(buffer, c.data.size()), c.data) << c.what;
    }
    RegCloseKey(key);
}

TEST_F(Registry, QueriesRefuseWhatWin32Refuses) {
    HKEY key = Create(kProductKey);
    const std::string emoji = winapi::RegistryString(u"\U0001F3AC");
    ASSERT_EQ(winapi::RegSetValueRaw(key, "Film", {REG_SZ, emoji}), ERROR_SUCCESS);
    DWORD reserved = 0;
    DWORD size = 16;
    BYTE buffer[16];
    EXPECT_EQ(RegQueryValueExA(key, "Film", nullptr, nullptr, buffer, &size),
              static_cast<LSTATUS>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(RegQueryValueExA(key, "Film", &reserved, nullptr, nullptr, &size),
              static_cast<LSTATUS>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RegQueryValueExA(key, "Film", nullptr, nullptr, buffer, nullptr),
              static_cast<LSTATUS>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RegQueryValueExA(nullptr, "Film", nullptr, nullptr, nullptr, nullptr),
              static_cast<LSTATUS>(ERROR_INVALID_HANDLE));
    HKEY writeOnly = Create(kProductKey, KEY_SET_VALUE);
    EXPECT_EQ(RegQueryValueExA(writeOnly, "Film", nullptr, nullptr, nullptr, nullptr),
              static_cast<LSTATUS>(ERROR_ACCESS_DENIED));
    RegCloseKey(writeOnly);
    RegCloseKey(key);

    TRegistry registry(KEY_SET_VALUE);
    ASSERT_TRUE(registry.OpenKey(kProductKey, false));
    std::string message;
    try {
        registry.ReadValue("Film");
    } catch (const ERegistryException& error) {
        message = error.Message();
    }
    EXPECT_EQ(message, "Failed to get data for 'Film'");
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(Registry, AKeyIsDeletedOnlyWithoutSubkeysAndLeavesItsParent) {
    WriteLinuxFile(FilePath(), kWineFile);
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Vostrel\\Talvimo\\Plugins", true));
    registry.WriteString("Name", "x");
    registry.CloseKey();

    EXPECT_FALSE(registry.DeleteKey("Software\\Vostrel"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(registry.DeleteKey("Software\\Vostrel\\Talvimo"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(registry.DeleteKey("SOFTWARE\\vostrel\\talvimo\\plugins"));
    EXPECT_FALSE(registry.KeyExists("Software\\Vostrel\\Talvimo\\Plugins"));
    EXPECT_FALSE(registry.DeleteKey("Software\\Vostrel\\Talvimo\\Plugins"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    // A key that only its subkeys' blocks imply exists too.
    EXPECT_TRUE(registry.KeyExists("Software\\Microsoft\\Windows\\CurrentVersion"));
    // The parent stays, as Wine keeps it, and goes in its own turn.
    EXPECT_TRUE(registry.KeyExists("Software\\Vostrel\\Talvimo"));
    ASSERT_TRUE(registry.OpenKey("Software\\Vostrel", false));
    EXPECT_TRUE(registry.DeleteKey("Talvimo"));
    EXPECT_TRUE(registry.DeleteKey("\\Software\\Vostrel"));
    registry.CloseKey();
    EXPECT_FALSE(registry.KeyExists("Software\\Vostrel"));
    EXPECT_EQ(FileText(), kWineFile);

    // Keys that are not there, or not keys, are refused with the file left alone.
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Nothing"),
              static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), static_cast<LSTATUS>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, nullptr),
              static_cast<LSTATUS>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RegDeleteKeyA(nullptr, "Software"), static_cast<LSTATUS>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software"),
              static_cast<LSTATUS>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(FileText(), kWineFile);
}

TEST_F(Registry, ADeletedKeyTakesItsBlockAndOneBlankLine) {
    WriteLinuxFile(FilePath(), kWineFile);
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\"
                                                "Uninstall"),
              ERROR_SUCCESS);
    std::string expected = kWineFile;
    const std::string block = "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall] "
                              "1796761772\n#time=1dd8752d531e2b2\n\n";
    expected.erase(expected.find(block), block.size());
    EXPECT_EQ(FileText(), expected);

    // Parents kept as blocks of their own go in turn, down to a file without keys.
    const std::string empty = winapi::RegistryFile::Empty().Text();
    WriteLinuxFile(FilePath(), empty);
    HKEY key = Create(kProductKey);
    ASSERT_EQ(SetString(key, "a", "b"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(key, ""), ERROR_SUCCESS); // a handle deletes its own key
    RegCloseKey(key);
    EXPECT_NE(FileText(), empty);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Vostrel"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software"), ERROR_SUCCESS);
    EXPECT_EQ(FileText(), empty);
}

} // namespace
