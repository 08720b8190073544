// A library planted by someone else where the installer's 7-Zip library belongs.
#pragma once

#include <string>

namespace testing_support {

// Builds, with gcc, a shared library at path whose constructor creates the file marker when
// anything loads it. It exports the 7-Zip library's entry points, so a load by mistake goes on
// as far as it can. Fails the test when gcc does.
void BuildForeignLibrary(const std::string& path, const std::string& marker);

} // namespace testing_support
