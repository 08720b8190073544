// Small archives made while a test runs, with the 7z command.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// Runs "7z a <switches> <archive> <members>" inside folder (members as the shell reads them);
// fails the test when 7z fails.
void Run7zAdd(const std::string& archive, const std::string& switches, const std::string& folder,
              const std::string& members);

// Runs "7z x -p<password> -o<folder> <archive>"; fails the test when 7z fails.
void Run7zExtract(const std::string& archive, const std::string& password,
                  const std::string& folder);

// Packs files (name, content) into a new 7z archive: file data encrypted with password, header
// readable, no folder entries. Fails the test when 7z fails.
void Make7zArchive(const std::string& archive,
                   const std::vector<std::pair<std::string, std::string>>& files,
                   const std::string& password);

} // namespace testing_support
