#include "map/Relocation.h"

#include "map/MapLayout.h"
#include "platform/FileReader.h"
#include "platform/Int32.h"
#include "platform/LittleEndian.h"
#include "platform/PelmarError.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

namespace pelmar {

namespace {

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

// The first position of `from`'s 4-byte grid that is not negative.
int64_t FirstGridPositionFrom(int64_t from) {
    if (from >= 0) {
        return from;
    }
    return from + ((-from + 3) / 4) * 4;
}

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

// The scan kernel: a plain loop with no branch on the data, so that it vectorises.
void ShiftWordsBetween(uint8_t* p, size_t count, uint32_t bias, int32_t low, int32_t highInclusive,
                       uint32_t amount) {
    for (size_t i = 0; i < count; ++i) {
        const uint32_t w = LoadWord(p + 4 * i);
        const auto v = static_cast<int32_t>(w - bias);
        const bool moved = (v >= low) & (v <= highInclusive);
        StoreWord(p + 4 * i, moved ? w + amount : w);
    }
}

} // namespace

WordRun WordsEndingBy(int64_t from, int64_t to, size_t size) {
    const int64_t start = FirstGridPositionFrom(from);
    const int64_t limit = std::min(to, static_cast<int64_t>(size));
    if (limit - start < 4) {
        return {start, 0};
    }
    return {start, (limit - start) / 4};
}

WordRun WordsStartingBefore(int64_t from, int64_t end, size_t size) {
    const int64_t start = FirstGridPositionFrom(from);
    const WordRun inFile = WordsEndingBy(start, static_cast<int64_t>(size), size);
    const int64_t beforeEnd = end > start ? (end - start + 3) / 4 : 0;
    return {start, std::min(inFile.count, beforeEnd)};
}

bool MovedValues::Contains(int32_t word) const {
    const int32_t v = SubWrap(word, bias);
    return v >= low && static_cast<int64_t>(v) < high;
}

MovedValues MovedAddresses(int32_t insertAt, int32_t magic, uint64_t length) {
    return {0, AddWrap(insertAt, magic), static_cast<int64_t>(length) + magic};
}

MovedValues MovedOffsets(int32_t insertAt, int32_t magic, uint64_t length) {
    return {magic, insertAt, static_cast<int64_t>(length)};
}

void ShiftWords(std::span<uint8_t> file, WordRun run, const MovedValues& values, int32_t amount) {
    if (run.count <= 0 || values.high <= kInt32Min) {
        return;
    }
    // A 32-bit value is below a 64-bit bound above the 32-bit range whatever it is.
    const auto highInclusive = static_cast<int32_t>(std::min(values.high - 1, kInt32Max));
    if (values.low > highInclusive) {
        return;
    }
    ShiftWordsBetween(file.data() + run.start, static_cast<size_t>(run.count),
                      static_cast<uint32_t>(values.bias), values.low, highInclusive,
                      static_cast<uint32_t>(amount));
}

WordRun ScenarioScanWords(const HaloPcMap& map, std::span<const uint8_t> file) {
    const int64_t start = map.Scenario().Offset;
    const int64_t endWord = start + layout::kScenarioScanEndField;
    if (!WordFits(endWord, file.size())) {
        throw PelmarError(FileMessage(
            map.f, "the scenario's scan end (word " +
                       std::to_string(layout::kScenarioScanEndField) + " of its data, at offset " +
                       std::to_string(endWord) + ") lies outside the file (" +
                       std::to_string(file.size()) + " bytes)"));
    }
    const int32_t end = SubWrap(LoadI32(file.data() + endWord), map.Magic);
    return WordsStartingBefore(start, end, file.size());
}

void HaloPcMap::UpdateFromPoint(std::span<uint8_t> file, int32_t scanStart, int32_t insertAt,
                                int32_t amount) const {
    const MovedValues moved = MovedAddresses(insertAt, Magic, file.size());
    for (int32_t i = 0; i < TagCount; ++i) {
        const int64_t at = tagOffset + layout::kEntrySize * i + layout::kEntryDataAddressField;
        if (WordFits(at, file.size()) && moved.Contains(LoadI32(file.data() + at))) {
            StoreI32(file.data() + at, AddWrap(LoadI32(file.data() + at), amount));
        }
    }
    ShiftWords(file, WordsEndingBy(scanStart, static_cast<int64_t>(file.size()), file.size()),
               moved, amount);
}

void HaloPcMap::UpdateScnr(std::span<uint8_t> file, int32_t insertAt, int32_t amount) const {
    ShiftWords(file, ScenarioScanWords(*this, file), MovedOffsets(insertAt, Magic, file.size()),
               amount);
}

void HaloPcMap::RecordInsertion(int32_t insertAt, int32_t amount) {
    // A tag's size is the distance to the next entry's data (for the last entry, to the end of
    // the file, which grew by `amount`); it changes by the difference of the two moves.
    auto moveOf = [&](const Tag& t) { return t.Offset >= insertAt ? amount : 0; };
    for (size_t i = 0; i < TagCache.size(); ++i) {
        const int32_t nextMove = i + 1 < TagCache.size() ? moveOf(TagCache[i + 1]) : amount;
        TagCache[i].Size = AddWrap(TagCache[i].Size, SubWrap(nextMove, moveOf(TagCache[i])));
    }
    for (Tag& t : TagCache) {
        if (t.Offset >= insertAt) {
            t.Offset = AddWrap(t.Offset, amount);
        }
    }
}

} // namespace pelmar
