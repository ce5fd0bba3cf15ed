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

// Four words at a time, in the compiler's portable vector types (plain SSE2/NEON code, no
// target-specific intrinsics). Arithmetic is on unsigned lanes, so it wraps; the range test
// is on signed lanes.
using U32x4 = uint32_t __attribute__((vector_size(16)));
using I32x4 = int32_t __attribute__((vector_size(16)));

struct ShiftParams {
    uint32_t bias;
    int32_t low;
    int32_t highInclusive;
    uint32_t amount;
};

inline uint32_t ShiftedWord(uint32_t w, const ShiftParams& s) {
    const auto v = static_cast<int32_t>(w - s.bias);
    return v >= s.low && v <= s.highInclusive ? w + s.amount : w;
}

// One cache line of 16 words: the moved words are computed for all of it, and the line is
// stored only when one of them changed (most lines hold no address in range).
inline void ShiftLine(uint8_t* p, const ShiftParams& s) {
    U32x4 w[4];
    U32x4 add[4];
    I32x4 any = {0, 0, 0, 0};
    std::memcpy(w, p, sizeof w);
    for (int j = 0; j < 4; ++j) {
        const auto v = reinterpret_cast<I32x4>(w[j] - s.bias);
        const I32x4 moved = (v >= s.low) & (v <= s.highInclusive);
        add[j] = reinterpret_cast<U32x4>(moved) & s.amount;
        any |= moved;
    }
    if ((any[0] | any[1] | any[2] | any[3]) != 0) {
        for (int j = 0; j < 4; ++j) {
            w[j] += add[j];
        }
        std::memcpy(p, w, sizeof w);
    }
}

void ShiftWordsBetween(uint8_t* p, size_t count, const ShiftParams& s) {
    size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 16 <= count; i += 16) {
            ShiftLine(p + 4 * i, s);
        }
    }
    for (; i < count; ++i) {
        const uint32_t w = LoadU32(p + 4 * i);
        const uint32_t shifted = ShiftedWord(w, s);
        if (shifted != w) {
            StoreU32(p + 4 * i, shifted);
        }
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
    const ShiftParams params{static_cast<uint32_t>(values.bias), values.low, highInclusive,
                             static_cast<uint32_t>(amount)};
    ShiftWordsBetween(file.data() + run.start, static_cast<size_t>(run.count), params);
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
