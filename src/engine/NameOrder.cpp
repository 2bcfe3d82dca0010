#include "engine/NameOrder.h"

#include "engine/Formatting.h"

#include <QCollator>
#include <QLocale>
#include <QString>

#include <algorithm>
#include <numeric>

namespace {

// QCollator is not safe to share between threads; each reader has its own.
QCollator& ThreadCollator() {
    thread_local QCollator collator{QLocale()};
    return collator;
}

} // namespace

std::vector<std::uint32_t> NameOrder(const std::vector<std::string_view>& names) {
    std::vector<std::uint32_t> order(names.size());
    std::iota(order.begin(), order.end(), 0u);
    if (names.size() < 2)
        return order;
    QCollator& collator = ThreadCollator();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(names.size());
    for (auto name : names)
        keys.push_back(collator.sortKey(DisplayText(name)));
    std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
        const int c = keys[x].compare(keys[y]);
        return c != 0 ? c < 0 : names[x] < names[y];
    });
    return order;
}
