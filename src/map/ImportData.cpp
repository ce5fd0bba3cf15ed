#include "map/Import.h"
#include "platform/Int32.h"
#include "platform/Words.h"

#include <algorithm>

namespace pelmar {

namespace {

// The id that a source tag id stands for in the destination: the id of the destination's tag
// with the same class and name, or -1 when it has none. Empty when `word` is not the id of a
// source tag.
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

// The smallest and largest tag id of a map: most words of tag data lie outside this range and
// need no look-up.
struct IdRange {
    bool empty = true;
    uint32_t min = 0;
    uint32_t max = 0;
    bool Contains(uint32_t word) const { return !empty && min <= word && word <= max; }
};

IdRange IdRangeOf(const HaloPcMap& map) {
    IdRange range;
    for (const Tag& t : map.TagCache) {
        range.min = range.empty ? t.ident : std::min(range.min, t.ident);
        range.max = range.empty ? t.ident : std::max(range.max, t.ident);
        range.empty = false;
    }
    return range;
}

} // namespace

std::string StoredName(std::string_view name, int32_t newTagCount) {
    return std::string(name) + "_" + std::to_string(newTagCount);
}

std::vector<uint8_t> TranslateTagData(std::span<const uint8_t> data, const DataMove& move) {
    std::vector<uint8_t> out(data.begin(), data.end());
    const int32_t end = AddWrap(move.sourceBase, move.size);
    const IdRange ids = IdRangeOf(move.source);
    for (size_t at = 0; at + 4 <= out.size(); at += 4) {
        const uint32_t word = LoadU32(out.data() + at);
        const auto value = static_cast<int32_t>(word);
        const std::optional<uint32_t> id =
            ids.Contains(word) ? TranslateTagId(word, move) : std::nullopt;
        if (id) {
            StoreU32(out.data() + at, *id);
        } else if (move.sourceBase <= value && value < end) {
            StoreI32(out.data() + at,
                     AddWrap(SubWrap(value, move.sourceBase), move.newDataAddress));
        }
    }
    return out;
}

} // namespace pelmar
