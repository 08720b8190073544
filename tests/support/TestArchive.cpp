#include "TestArchive.h"

#include "support/TempSystemRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace testing_support {

void Run7zAdd(const std::string& archive, const std::string& switches, const std::string& folder,
              const std::string& members) {
    const std::string command = "cd '" + folder +
                                "' && LC_ALL=C.UTF-8 '" SEVEN_ZIP_COMMAND "' a -bd -bso0 -bsp0 " +
                                switches + " '" + archive + "' " + members + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

void Run7zExtract(const std::string& archive, const std::string& password,
                  const std::string& folder) {
    const std::string command = "LC_ALL=C.UTF-8 '" SEVEN_ZIP_COMMAND "' x -bd -bso0 -bsp0 -y '-p" +
                                password + "' '-o" + folder + "' '" + archive + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

void Make7zArchive(const std::string& archive,
                   const std::vector<std::pair<std::string, std::string>>& files,
                   const std::string& password) {
    const std::string staging = archive + ".files";
    fs::create_directories(staging);
    std::string names;
    for (const auto& [name, content] : files) {
        WriteLinuxFile(staging + "/" + name, content);
        names += " '" + name + "'";
    }
    fs::remove(archive);
    Run7zAdd(archive, "-t7z -p'" + password + "' -mhe=off", staging, names);
    fs::remove_all(staging);
}

} // namespace testing_support
