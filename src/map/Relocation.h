#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pelmar {

// A run of whole 32-bit words in a buffer: the words at start, start + 4, ... (`count` of
// them), every one of them lying wholly inside the buffer.
struct WordRun {
    int64_t start = 0;
    int64_t count = 0;

    // True when a word of the run starts at `position`.
    bool Holds(int64_t position) const {
        return count > 0 && position >= start && (position - start) % 4 == 0 &&
               (position - start) / 4 < count;
    }
};

// The words on `from`'s 4-byte grid that end at or before `to` and inside a buffer of `size`
// bytes. Grid positions before 0 are skipped.
WordRun WordsEndingBy(int64_t from, int64_t to, size_t size);

// The words on `from`'s 4-byte grid that start before `end` and lie wholly inside a buffer of
// `size` bytes.
WordRun WordsStartingBefore(int64_t from, int64_t end, size_t size);

// The values a relocation moves: a word w qualifies when v = w - bias (32-bit, wrapping)
// satisfies low <= v in signed 32-bit arithmetic and v < high in signed 64-bit arithmetic.
struct MovedValues {
    int32_t bias = 0;
    int32_t low = 0;
    int64_t high = 0;

    bool Contains(int32_t word) const;
};

// The map addresses that an insertion at `insertAt` moved in a file now `length` bytes long:
// insertAt + magic <= address < length + magic.
MovedValues MovedAddresses(int32_t insertAt, int32_t magic, uint64_t length);

// The same range tested on translated words (word - magic): insertAt <= offset < length.
MovedValues MovedOffsets(int32_t insertAt, int32_t magic, uint64_t length);

// Adds `amount` (wrapping) to every word of `run` in `file` whose value lies in `values`.
// One pass over memory that the compiler vectorises. With `moved`, sets bit `movedFirst + i`
// of that bitmap for each word i of the run that moved.
void ShiftWords(std::span<uint8_t> file, WordRun run, const MovedValues& values, int32_t amount,
                uint64_t* moved = nullptr, int64_t movedFirst = 0);

} // namespace pelmar
