// What lnkinfo (liblnk-utils) prints for a .lnk file: an independent reader of shell links.
#pragma once

#include <string>

namespace testing_support {

std::string LnkInfo(const std::string& linuxPath);

// The value lnkinfo prints for a field ("Local path", "Description", ...), or "<none>".
std::string LnkField(const std::string& info, const std::string& field);

} // namespace testing_support
