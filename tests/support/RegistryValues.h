// Registry values of every kind the installer may have to put back, each with data the GBK
// functions could not carry unchanged: text GBK cannot write, strings without their terminating
// zero, inner zeros, numbers of the wrong size, binary data long enough to wrap in the file.
#pragma once

#include "winapi/RegistryFile.h"

#include <string>
#include <vector>

namespace testing_support {

struct NamedRegistryValue {
    std::string name; // GBK
    winapi::RegistryValue value;
};

std::vector<NamedRegistryValue> RegistryValuesOfEveryKind();

} // namespace testing_support
