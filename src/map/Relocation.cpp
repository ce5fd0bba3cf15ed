#include "map/Relocation.h"

#include "platform/Int32.h"
#include "platform/Words.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Four words at a time, in the compiler's portable vector types (plain SSE2/NEON code).
// Arithmetic is on unsigned lanes, so it wraps; the range test is on signed lanes.
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

// The lanes of a comparison result (all ones or zero) as 4 bits, lane 0 lowest.
inline uint32_t LaneBits(I32x4 mask) {
#if defined(__SSE2__)
    // One instruction instead of four extractions: the extractions took most of a line's time.
    return static_cast<uint32_t>(_mm_movemask_ps(std::bit_cast<__m128>(mask)));
#else
    uint32_t bits = 0;
    for (int k = 0; k < 4; ++k) {
        bits |= (static_cast<uint32_t>(mask[k]) & 1u) << k;
    }
    return bits;
#endif
}

// One cache line of 16 words: the moved words are computed for all of it and the whole line is
// stored, without a branch on the data (about two lines in three hold a moved address, so a
// branch that skips unchanged lines mostly mispredicts). Returns the moved words as bits.
inline uint32_t ShiftLine(uint8_t* p, const ShiftParams& s) {
    U32x4 w[4];
    uint32_t bits = 0;
    std::memcpy(w, p, sizeof w);
    for (int j = 0; j < 4; ++j) {
        const auto v = reinterpret_cast<I32x4>(w[j] - s.bias);
        const I32x4 moved = (v >= s.low) & (v <= s.highInclusive);
        w[j] += reinterpret_cast<U32x4>(moved) & s.amount;
        bits |= LaneBits(moved) << (4 * j);
    }
    std::memcpy(p, w, sizeof w);
    return bits;
}

void Mark(uint64_t* moved, int64_t word, uint64_t bits) {
    if (moved != nullptr) {
        moved[word / 64] |= bits << (word % 64);
    }
}

void ShiftScalar(uint8_t* p, size_t from, size_t to, const ShiftParams& s, uint64_t* moved,
                 int64_t first) {
    for (size_t i = from; i < to; ++i) {
        const uint32_t w = LoadU32(p + 4 * i);
        const uint32_t shifted = ShiftedWord(w, s);
        if (shifted != w) {
            StoreU32(p + 4 * i, shifted);
            Mark(moved, first + static_cast<int64_t>(i), 1);
        }
    }
}

void ShiftWordsBetween(uint8_t* p, size_t count, const ShiftParams& s, uint64_t* moved,
                       int64_t first) {
    // Words one at a time up to a 16-word boundary of the bitmap, then whole lines, then the
    // rest one at a time.
    size_t i = std::min(count, static_cast<size_t>((16 - first % 16) % 16));
    ShiftScalar(p, 0, i, s, moved, first);
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 16 <= count; i += 16) {
            Mark(moved, first + static_cast<int64_t>(i), ShiftLine(p + 4 * i, s));
        }
    }
    ShiftScalar(p, i, count, s, moved, first);
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

void ShiftWords(std::span<uint8_t> file, WordRun run, const MovedValues& values, int32_t amount,
                uint64_t* moved, int64_t movedFirst) {
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
    ShiftWordsBetween(file.data() + run.start, static_cast<size_t>(run.count), params, moved,
                      movedFirst);
}

} // namespace pelmar
