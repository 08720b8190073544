#include "TestArchive.h"

#include "support/TempSystemRoot.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace testing_support {

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
    const std::string command = "cd '" + staging + "' && '" SEVENZIP_EXECUTABLE "' a -t7z -p'" +
                                password + "' -mhe=off -bd -bso0 -bsp0 '" + archive + "'" + names;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    fs::remove_all(staging);
}

} // namespace testing_support
