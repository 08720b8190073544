// The first half of a put-back check: each value is read through the open key, expected to be
// what was written, and then overwritten with the integer 7, as a later install would.
#pragma once

#include "support/RegistryValues.h"

#include "rtl/Registry.h"

#include <gtest/gtest.h>
#include <vector>

// What was read, in the order of values; an empty value where one could not be read.
inline std::vector<winapi::RegistryValue>
ReadBackAndOverwrite(TRegistry& registry,
                     const std::vector<testing_support::NamedRegistryValue>& values) {
    std::vector<winapi::RegistryValue> read;
    for (const auto& [name, value] : values) {
        auto held = registry.ReadValue(name);
        EXPECT_TRUE(held) << name;
        EXPECT_EQ(held.value_or(winapi::RegistryValue{}), value) << name;
        read.push_back(held.value_or(winapi::RegistryValue{}));
        registry.WriteInteger(name, 7);
    }
    return read;
}
