// The order of folder names in the tree: alphabetical in the user's locale,
// letter case deciding only between otherwise equal names, raw bytes deciding
// what the locale sees as equal, so the order is total and repeatable.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

// Returns the permutation that puts `names` in display order. Safe to call
// from several threads at once.
std::vector<std::uint32_t> NameOrder(const std::vector<std::string_view>& names);

// Puts items in display order by the name nameOf(item) gives each.
template <typename T, typename TNameOf> void SortByName(std::vector<T>& items, TNameOf nameOf) {
    if (items.size() < 2)
        return;
    std::vector<std::string_view> names;
    names.reserve(items.size());
    for (const T& item : items)
        names.emplace_back(nameOf(item));
    const std::vector<std::uint32_t> order = NameOrder(names);
    std::vector<T> sorted;
    sorted.reserve(order.size());
    for (std::uint32_t i : order)
        sorted.push_back(std::move(items[i]));
    items.swap(sorted);
}
