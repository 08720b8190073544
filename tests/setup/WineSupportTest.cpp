// Whether a system root can run the product: its architecture as Wine recorded it, or as
// WINEARCH asks for a root not made yet.
#include "support/TempSystemRoot.h"

#include "setup/WineSupport.h"
#include "winapi/Gbk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace {

using testing_support::WriteLinuxFile;

constexpr WORD kAmd64 = 0x8664;
constexpr WORD kI386 = 0x14C;

class RootArchitecture : public testing_support::SystemRootTest {
protected:
    ~RootArchitecture() override { unsetenv("WINEARCH"); }
    // system.reg as Wine begins it, with this #arch= line; none when arch is empty.
    void MakeRegistry(const std::string& arch) {
        WriteLinuxFile(systemRoot.Root() + "/system.reg",
                       "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=" +
                           arch + "\n\n[Software\\\\Wine] 1700000000\n");
    }
};

TEST_F(RootArchitecture, A32BitRootIsRefusedForA64BitProductWithWhatToDo) {
    struct Case {
        std::optional<std::string> registryArch; // nullopt: the root has no registry yet
        const char* wineArch;                    // nullptr: WINEARCH unset
        WORD product;
        bool refused;
    };
    for (const Case& c :
         {Case{"win32", nullptr, kAmd64, true},
          Case{"win32\r", nullptr, kAmd64, true}, // a CRLF registry
          Case{"win64", "win32", kAmd64, false},  // the registry wins
          Case{std::nullopt, "win32", kAmd64, true}, Case{std::nullopt, nullptr, kAmd64, false},
          Case{"win32", nullptr, kI386, false}}) {
        testing_support::RemoveTree(systemRoot.Root());
        if (c.registryArch)
            MakeRegistry(*c.registryArch);
        if (c.wineArch)
            setenv("WINEARCH", c.wineArch, 1);
        else
            unsetenv("WINEARCH");
        const AnsiString message = RootArchitectureMessage(systemRoot.Root(), c.product);
        const std::string label =
            c.registryArch.value_or("(none)") + " / " + (c.wineArch ? c.wineArch : "(unset)");
        if (!c.refused) {
            EXPECT_EQ(message, "") << label;
            continue;
        }
        EXPECT_EQ(message,
                  gbk::Literal("Talvimo 是 64 位 Windows 程序，无法安装到 32 位的系统根目录 ") +
                      systemRoot.Root() +
                      gbk::Literal("（WINEARCH=win32）。请换用 64 位的系统根目录（WINEARCH="
                                   "win64，例如另设一个 WINEPREFIX）后重新安装。"))
            << label;
    }
}

} // namespace

