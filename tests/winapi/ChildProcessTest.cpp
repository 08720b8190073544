// Child programs run to their end: exit code, folder, environment and input as given.
#include "winapi/ChildProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

TEST(ChildProcess, RunsInTheGivenFolderWithTheGivenVariablesAndNoInput) {
    setenv("VOSTREL_CHILD_TEST", "ours", 1);
    // Exits with 7 only when the folder and the replaced variable are as given and its input
    // is empty; every other outcome gives another code.
    const std::string script = "test \"$PWD\" = /usr/bin || exit 1;"
                               "test \"$VOSTREL_CHILD_TEST\" = theirs || exit 2;"
                               "read line && exit 3; exit 7";
    winapi::ProgramStart start{
        "/bin/sh", {"sh", "-c", script}, "/usr/bin", {{"VOSTREL_CHILD_TEST", "theirs"}}};
    EXPECT_EQ(winapi::RunAndWait(start), 7);
    unsetenv("VOSTREL_CHILD_TEST");

    start.program = "/nonexistent/program";
    EXPECT_EQ(winapi::RunAndWait(start), -1);
    // Ended by a signal: no exit code.
    EXPECT_EQ(winapi::RunAndWait({"/bin/sh", {"sh", "-c", "kill -9 $$"}, "", {}}), -1);
}

TEST(ChildProcess, TheEnvironmentKeepsOursAndReplacesOnlyTheNamedVariables) {
    setenv("VOSTREL_KEPT", "1", 1);
    setenv("VOSTREL_REPLACED", "old", 1);
    setenv("VOSTREL_REPLACED_LONGER", "kept", 1);
    const std::vector<std::string> environment =
        winapi::EnvironmentWith({{"VOSTREL_REPLACED", "new"}});
    auto count = [&](const std::string& entry) {
        return std::count(environment.begin(), environment.end(), entry);
    };
    EXPECT_EQ(count("VOSTREL_KEPT=1"), 1);
    EXPECT_EQ(count("VOSTREL_REPLACED=new"), 1);
    EXPECT_EQ(count("VOSTREL_REPLACED=old"), 0);
    EXPECT_EQ(count("VOSTREL_REPLACED_LONGER=kept"), 1);
    for (const char* name : {"VOSTREL_KEPT", "VOSTREL_REPLACED", "VOSTREL_REPLACED_LONGER"})
        unsetenv(name);
}

} // namespace
