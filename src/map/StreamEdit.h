#pragma once

#include "map/FileEdit.h"
#include "platform/ByteSink.h"
#include "platform/ByteSource.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace pelmar {

// The bytes an edit streams at a time. Small enough that the two windows' first touches (the
// kernel zeroing fresh pages) cost little; large enough that the per-block calls do not count.
inline constexpr size_t kStreamBlockSize = size_t{1} << 20;

struct StreamControl {
    size_t blockSize = kStreamBlockSize;
    // Told, as each block is written, that the old file's bytes before `oldOffset` will not be
    // read again.
    std::function<void(uint64_t oldOffset)> passed;
    // Told how far the new file is written; returning false stops the stream (PelmarError
    // Cancelled).
    std::function<bool(uint64_t done, uint64_t total)> progress;
    // Filled with what undoing the edit needs, when given.
    struct EditTrace* trace = nullptr;
};

// What an edit's operations replaced, recorded while it streams: with the edit itself, enough
// to compute the file before it from the file after it.
// Only the few operations that replace bytes or move runs of words have a part in it, so a
// relocation's tens of thousands of single-word operations cost nothing here.
struct EditTrace {
    // The bytes each SetBytes operation replaced, one operation's after another's, in order.
    std::vector<uint8_t> setBefore;
    // The words each ShiftWords operation moved: a bitmap of MovedWords(op) words for each, one
    // after another, in order.
    std::vector<uint64_t> moved;
    std::vector<uint8_t> checksumBefore; // the header checksum it replaced (if any)
};

// The bytes the trace keeps of what a SetBytes operation replaced (0 for other kinds), and the
// 64-bit words of its bitmap of a ShiftWords operation's run (0 for other kinds).
size_t ReplacedBytes(const FileEdit::Op& op);
size_t MovedWords(const FileEdit::Op& op);

// Where each operation's part of a trace begins (in setBefore for SetBytes, in moved for
// ShiftWords), for the operations that have one.
class TracePlaces {
public:
    explicit TracePlaces(const FileEdit& edit);
    size_t Of(uint32_t op) const;
    size_t setBytes() const { return setBytes_; }
    size_t movedWords() const { return movedWords_; }

private:
    std::vector<std::pair<uint32_t, size_t>> places_; // by operation
    size_t setBytes_ = 0;
    size_t movedWords_ = 0;
};

// Writes the new contents of `edit` over `old` to `sink` block by block through two buffers of
// about `blockSize` bytes: each block is copied from the old file and the insertions, the word
// operations that touch it are applied (on a second thread, while the block before is written),
// and the checksum of its checksummed regions is kept; the checksum is written last. The old
// file is read once. The result is byte for byte that of applying the operations to
// the whole file in order; when word operations on different 4-byte grids overlap, which only a
// whole-file pass computes exactly, the whole file is one block. True when the header checksum
// was recomputed (false when the edit keeps it, or recomputes it only if it was right and it
// was not).
bool StreamEdit(const ByteSource& old, const FileEdit& edit, ByteSink& sink,
                const StreamControl& control = {});
bool StreamEdit(std::span<const uint8_t> old, const FileEdit& edit, ByteSink& sink,
                const StreamControl& control = {});

// Writes the file before `edit` to `sink`, computed from `current`, the file after it, and what
// the edit replaced: the operations are reverted in reverse order and the insertions dropped.
void StreamUndo(std::span<const uint8_t> current, const FileEdit& edit, const EditTrace& trace,
                ByteSink& sink, const StreamControl& control = {});

// The `out.size()` bytes at `at` of the new file, computed without the rest of it as the stream
// reads the regions its checksum covers: from the operations of the blocks of `blockSize` bytes
// that the bytes lie in.
void ReadEdited(const ByteSource& old, const FileEdit& edit, int64_t at, std::span<uint8_t> out,
                size_t blockSize = kStreamBlockSize);

} // namespace pelmar
