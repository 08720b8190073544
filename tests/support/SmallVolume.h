// A small, full-able volume for tests of a full or read-only disk: a 64 KiB tmpfs mounted in a
// child process's own mount namespace, so nothing stays mounted after the test.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace testing_support {

// What a body returns when the volume cannot be set up as it needs (a remount refused).
inline constexpr int kVolumeNotPermitted = 77;

// Runs body in a child process with the tmpfs mounted at mountPoint (created here). Returns
// the body's result, or nullopt when mounting is not permitted here (the test then skips).
std::optional<int> RunOnSmallVolume(const std::string& mountPoint,
                                    const std::function<int()>& body);

} // namespace testing_support
