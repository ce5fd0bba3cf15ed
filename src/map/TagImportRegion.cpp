#include "map/TagImport.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pelmar::tagimport {

namespace {

inline uint32_t LoadWord(const uint8_t* p) {
    uint32_t w;
    std::memcpy(&w, p, sizeof w);
    if constexpr (std::endian::native == std::endian::big) {
        w = __builtin_bswap32(w);
    }
    return w;
}

// Whether any of a run of words is in range. The fixed trip count lets the compiler
// vectorise the loop even under its cheapest cost model.
constexpr size_t kWordsPerRun = 16;

bool AnyInRun(const uint8_t* p, uint32_t low, uint32_t width) {
    uint32_t hits = 0;
    for (size_t i = 0; i < kWordsPerRun; ++i) {
        hits |= static_cast<uint32_t>(LoadWord(p + 4 * i) - low < width);
    }
    return hits != 0;
}

} // namespace

bool AnyWordInRange(std::span<const uint8_t> region, int32_t low, int32_t high) {
    if (low >= high) {
        return false; // an empty range (the comparisons are signed)
    }
    const uint32_t lowBits = static_cast<uint32_t>(low);
    const uint32_t width = static_cast<uint32_t>(high) - lowBits;
    const size_t words = region.size() / 4;
    size_t i = 0;
    for (; i + kWordsPerRun <= words; i += kWordsPerRun) {
        if (AnyInRun(region.data() + 4 * i, lowBits, width)) {
            return true;
        }
    }
    for (; i < words; ++i) {
        if (LoadWord(region.data() + 4 * i) - lowBits < width) {
            return true;
        }
    }
    return false;
}

RaisedRegion::RaisedRegion(std::span<const uint8_t> region, int32_t low, int32_t high,
                           int32_t shift) {
    // Blocks start on the region's own 4-byte grid, so no word straddles two of them; the
    // bytes past the last whole word are never scanned.
    const size_t scanned = region.size() & ~size_t{3};
    const size_t blocks = (scanned + kBlockSize - 1) / kBlockSize;
    std::vector<bool> raised(blocks);
    size_t copied = 0;
    for (size_t b = 0; b < blocks; ++b) {
        const size_t start = b * kBlockSize;
        const size_t length = std::min(kBlockSize, scanned - start);
        raised[b] = AnyWordInRange(region.subspan(start, length), low, high);
        copied += raised[b] ? length : 0;
    }
    copies_ = ByteBuffer(copied);
    uint8_t* next = copies_.data();
    for (size_t b = 0; b < blocks; ++b) {
        const size_t start = b * kBlockSize;
        const size_t length = std::min(kBlockSize, scanned - start);
        if (!raised[b]) {
            Add(region.subspan(start, length));
            continue;
        }
        std::memcpy(next, region.data() + start, length);
        RaiseWordsInRange({next, length}, low, high, shift);
        Add({next, length});
        next += length;
    }
    Add(region.subspan(scanned));
}

// Joins a piece to the previous one when it follows it in memory.
void RaisedRegion::Add(std::span<const uint8_t> piece) {
    if (piece.empty()) {
        return;
    }
    if (!pieces_.empty() && pieces_.back().data() + pieces_.back().size() == piece.data()) {
        pieces_.back() = {pieces_.back().data(), pieces_.back().size() + piece.size()};
        return;
    }
    pieces_.push_back(piece);
}

} // namespace pelmar::tagimport
