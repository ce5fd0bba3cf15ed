#pragma once

#include "map/Relocation.h"
#include "platform/ByteBuffer.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pelmar {

// The new contents of a map file, as the edits compute them: the old contents with bytes
// inserted, then word operations applied in order, then (optionally) the header's checksum
// recomputed.
// Every operation changes bytes in place and each word on its own, so the result is the same
// whether it is computed over the whole file at once or block by block.
struct FileEdit {
    // Bytes inserted before the old file's byte `at`.
    struct Insertion {
        int64_t at = 0;
        std::vector<uint8_t> bytes;
    };
    enum class OpKind {
        SetBytes,   // write `bytes` at `at`
        AddWord,    // add `amount` to the word at `at`
        ShiftWords, // add `amount` to each word of `run` whose value lies in `values`
    };
    // Positions are offsets in the new file.
    struct Op {
        OpKind kind = OpKind::SetBytes;
        int64_t at = 0;
        std::vector<uint8_t> bytes;
        int32_t amount = 0;
        WordRun run;
        MovedValues values;
    };
    std::vector<Insertion> insertions; // ascending `at`
    std::vector<Op> ops;
    // What becomes of the header checksum (real maps only): left as it is, recomputed for the
    // result, or recomputed when the old file's checksum was right, which writing the result
    // finds out on the way (an up-to-date checksum stays up to date, a stale one stays stale).
    enum class Checksum : uint8_t { Keep = 0, Recompute = 1, RecomputeIfRight = 2 };
    Checksum checksum = Checksum::Keep;
    std::vector<std::string> warnings; // for the user, with the result

    void Insert(int64_t at, std::vector<uint8_t> bytes);
    void SetWord(int64_t at, int32_t value);
    void AddWord(int64_t at, int32_t amount);
    void Shift(WordRun run, const MovedValues& values, int32_t amount);

    uint64_t InsertedBytes() const;
    // Where the old file's byte `old` lies in the new file.
    int64_t NewPosition(int64_t old) const;
};

// The new contents, computed over the whole file in memory.
ByteBuffer Materialize(std::span<const uint8_t> old, const FileEdit& edit);

} // namespace pelmar
