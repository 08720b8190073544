// Runs a program with an argument list, without a shell (so "$" in a password stays as it
// is), and collects its exit code and combined output.
#pragma once

#include <string>
#include <vector>

struct ProgramResult {
    int exitCode = -1;
    std::string output;
};

ProgramResult RunProgram(const std::vector<std::string>& arguments,
                         const std::string& workingFolder = {});
