#include "mapbuilder/RealisticGrowth.h"

#include <algorithm>
#include <limits>

namespace pelmar::builder {

namespace {

int64_t CeilDiv(int64_t a, int64_t b) {
    return (a + b - 1) / b;
}

} // namespace

DataGrowth GrowthFor(std::vector<int64_t> rooms, int64_t deficit) {
    if (rooms.empty() || deficit <= 0) {
        return {};
    }
    for (int64_t& room : rooms) {
        room = room < 0 ? std::numeric_limits<int64_t>::max() : room;
    }
    std::sort(rooms.begin(), rooms.end());
    const auto n = static_cast<int64_t>(rooms.size());
    int64_t remaining = deficit;
    for (int64_t i = 0; i < n; ++i) {
        const int64_t level = CeilDiv(remaining, n - i);
        if (rooms[static_cast<size_t>(i)] >= level) {
            return {level, false};
        }
        remaining -= rooms[static_cast<size_t>(i)];
    }
    return {CeilDiv(deficit, n), true};
}

} // namespace pelmar::builder
