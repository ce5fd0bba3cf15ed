#include "map/HaloPcMap.h"
#include "map/TagImport.h"
#include "platform/Int32.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pelmar::tagimport {

namespace {

// Word access for the bulk scan. On little-endian hosts a plain unaligned load and store,
// which the compiler turns into vector loads; elsewhere the portable byte form.
inline uint32_t LoadWord(const uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
        uint32_t w;
        std::memcpy(&w, p, sizeof w);
        return w;
    } else {
        return LoadU32(p);
    }
}

inline void StoreWord(uint8_t* p, uint32_t w) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &w, sizeof w);
    } else {
        StoreU32(p, w);
    }
}

// One word of the scan. The signed test low <= v < high (with low < high) is the unsigned
// test v - low < high - low, which needs no branch.
inline void RaiseWord(uint8_t* p, uint32_t low, uint32_t width, uint32_t shift) {
    const uint32_t w = LoadWord(p);
    StoreWord(p, w + (w - low < width ? shift : 0u));
}

// A run of words of fixed length: the loop has a known trip count, so it is vectorised even
// under the compiler's cheapest cost model.
constexpr size_t kWordsPerRun = 16;

void RaiseRun(uint8_t* p, uint32_t low, uint32_t width, uint32_t shift) {
    for (size_t i = 0; i < kWordsPerRun; ++i) {
        RaiseWord(p + 4 * i, low, width, shift);
    }
}

// The id that a source tag id stands for in the destination: the id of the destination's
// tag with the same class and name, or -1 when it has none. Empty when `word` is not the id
// of a source tag.
std::optional<uint32_t> TranslateTagId(uint32_t word, const DataMove& move) {
    const std::optional<int32_t> sourceIndex = move.source.FindTagByIdent(word);
    if (!sourceIndex) {
        return std::nullopt;
    }
    const Tag& referenced = move.source.TagCache[static_cast<size_t>(*sourceIndex)];
    const std::optional<int32_t> destinationIndex =
        move.destination.FindTagByName(referenced.NameKey());
    if (!destinationIndex) {
        return 0xFFFFFFFFu;
    }
    return move.destination.TagCache[static_cast<size_t>(*destinationIndex)].ident;
}

// The smallest and largest tag id of a map: most words of tag data lie outside this range
// and need no look-up.
struct IdRange {
    bool empty = true;
    uint32_t min = 0;
    uint32_t max = 0;
    bool Contains(uint32_t word) const { return !empty && min <= word && word <= max; }
};

IdRange IdRangeOf(const HaloPcMap& map) {
    IdRange range;
    for (const auto& entry : map.TagsByIdent) {
        const uint32_t ident = entry.first;
        range.min = range.empty ? ident : std::min(range.min, ident);
        range.max = range.empty ? ident : std::max(range.max, ident);
        range.empty = false;
    }
    return range;
}

} // namespace

std::string StoredName(std::string_view name, int32_t newTagCount) {
    return std::string(name) + "_" + std::to_string(newTagCount);
}

void RaiseWordsInRange(std::span<uint8_t> region, int32_t low, int32_t high, int32_t shift) {
    if (low >= high) {
        return; // an empty range (the comparisons are signed)
    }
    const uint32_t lowBits = static_cast<uint32_t>(low);
    const uint32_t width = static_cast<uint32_t>(high) - lowBits;
    const uint32_t shiftBits = static_cast<uint32_t>(shift);
    uint8_t* p = region.data();
    const size_t words = region.size() / 4;
    size_t i = 0;
    for (; i + kWordsPerRun <= words; i += kWordsPerRun) {
        RaiseRun(p + 4 * i, lowBits, width, shiftBits);
    }
    for (; i < words; ++i) {
        RaiseWord(p + 4 * i, lowBits, width, shiftBits);
    }
}

std::vector<uint8_t> TranslateTagData(std::span<const uint8_t> data, const DataMove& move) {
    std::vector<uint8_t> out(data.begin(), data.end());
    const int32_t end = AddWrap(move.sourceBase, move.size);
    const IdRange ids = IdRangeOf(move.source);
    for (size_t at = 0; at + 4 <= out.size(); at += 4) {
        const uint32_t word = LoadU32(out.data() + at);
        const int32_t value = static_cast<int32_t>(word);
        std::optional<uint32_t> id;
        if (ids.Contains(word)) {
            id = TranslateTagId(word, move);
        }
        if (id) {
            StoreU32(out.data() + at, *id);
        } else if (move.sourceBase <= value && value < end) {
            StoreI32(out.data() + at,
                     AddWrap(SubWrap(value, move.sourceBase), move.newDataAddress));
        }
    }
    return out;
}

} // namespace pelmar::tagimport
