#pragma once

#include <cstdint>
#include <vector>

namespace pelmar::builder {

// How much every data field of the tag data grows: each by `level` bytes, up to its byte
// limit unless `ignoreLimits`.
struct DataGrowth {
    int64_t level = 0;
    bool ignoreLimits = false;
};

// The growth by which data fields with these rooms to grow (-1: no limit) add about `deficit`
// bytes together: the lowest level that does it within their limits (the fields with little
// room fill up, the others share the rest evenly), or, when their limits cannot hold it, the
// same growth for every field past its limit.
DataGrowth GrowthFor(std::vector<int64_t> rooms, int64_t deficit);

} // namespace pelmar::builder
