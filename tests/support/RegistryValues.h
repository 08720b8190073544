// Registry values the installer may have to put back byte for byte.
#pragma once

#include "winapi/RegistryFile.h"

#include <string>
#include <vector>

namespace testing_support {

struct NamedRegistryValue {
    std::string name; // GBK
    winapi::RegistryValue value;
};

// One or more of each type, with what the GBK functions could not carry unchanged: text GBK
// cannot write, inner zeros, binary data long enough to wrap in the file, no data at all.
std::vector<NamedRegistryValue> RegistryValuesOfEveryType();
// A string of odd size without its terminating zero and a number of two bytes: the file keeps
// them, but Wine's "reg export" rewrites them.
std::vector<NamedRegistryValue> OddlySizedRegistryValues();

} // namespace testing_support
