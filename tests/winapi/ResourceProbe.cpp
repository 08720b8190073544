// Prints "<name> <size> <bytes>" for each resource named on the command line, or
// "<name> missing <error>"; the strip-and-copy test compares the output.
#include "winapi/kernel32.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        HRSRC resource = FindResourceA(nullptr, argv[i], RT_RCDATA);
        if (!resource) {
            std::printf("%s missing %u\n", argv[i], GetLastError());
            continue;
        }
        const DWORD size = SizeofResource(nullptr, resource);
        const auto* data = static_cast<const char*>(LockResource(LoadResource(nullptr, resource)));
        std::printf("%s %u %s", argv[i], size, std::string(data, size).c_str());
    }
    return 0;
}
