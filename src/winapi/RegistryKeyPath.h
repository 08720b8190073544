// Registry key paths: components separated by "\", names matching without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace winapi {

bool SameName(std::u16string_view a, std::u16string_view b);

// The components of a path; empty components (doubled or outer "\") are left out.
std::vector<std::u16string_view> SplitPath(std::u16string_view path);

std::u16string JoinPath(const std::vector<std::u16string_view>& parts);

} // namespace winapi
