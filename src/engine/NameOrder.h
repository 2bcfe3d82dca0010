// The order of folder names in the tree: alphabetical in the user's locale,
// letter case deciding only between otherwise equal names, raw bytes deciding
// what the locale sees as equal, so the order is total and repeatable.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Returns the permutation that puts `names` in display order. Safe to call
// from several threads at once.
std::vector<std::uint32_t> NameOrder(const std::vector<std::string_view>& names);
