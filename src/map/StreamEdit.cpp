#include "map/StreamEdit.h"

#include "map/MapChecksum.h"
#include "map/MapLayout.h"
#include "platform/ByteSource.h"
#include "platform/Crc32.h"
#include "platform/Error.h"
#include "platform/Int32.h"
#include "platform/OrderedHelper.h"
#include "platform/Words.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

namespace pelmar {

namespace {

// A stretch of the new file and where its bytes come from: the old file or an insertion.
struct Segment {
    int64_t begin = 0;
    int64_t end = 0;
    const uint8_t* inserted = nullptr; // null for a stretch of the old file
    int64_t oldOffset = 0;             // for old stretches
};

std::vector<Segment> SegmentsOf(uint64_t oldSize, const FileEdit& edit) {
    std::vector<Segment> segments;
    int64_t from = 0;
    int64_t at = 0;
    const auto add = [&](int64_t length, const uint8_t* inserted, int64_t oldOffset) {
        if (length > 0) {
            segments.push_back({at, at + length, inserted, oldOffset});
            at += length;
        }
    };
    for (const FileEdit::Insertion& i : edit.insertions) {
        if (i.at < from || static_cast<uint64_t>(i.at) > oldSize) {
            throw PelmarError(ErrorKind::BadMap, "an insertion point lies outside the file", i.at);
        }
        add(i.at - from, nullptr, from);
        add(static_cast<int64_t>(i.bytes.size()), i.bytes.data(), 0);
        from = i.at;
    }
    add(static_cast<int64_t>(oldSize) - from, nullptr, from);
    return segments;
}

// Copies [begin, begin + out.size()) of the new file's bytes before any operation.
void CopyNew(const std::vector<Segment>& segments, const ByteSource& old, int64_t begin,
             std::span<uint8_t> out) {
    const int64_t end = begin + static_cast<int64_t>(out.size());
    auto it = std::upper_bound(segments.begin(), segments.end(), begin,
                               [](int64_t at, const Segment& s) { return at < s.end; });
    for (; it != segments.end() && it->begin < end; ++it) {
        const int64_t from = std::max(begin, it->begin);
        const int64_t to = std::min(end, it->end);
        const std::span<uint8_t> piece =
            out.subspan(static_cast<size_t>(from - begin), static_cast<size_t>(to - from));
        if (it->inserted != nullptr) {
            std::memcpy(piece.data(), it->inserted + (from - it->begin), piece.size());
        } else {
            old.Read(static_cast<uint64_t>(it->oldOffset + (from - it->begin)), piece);
        }
    }
}

// Calls `piece(at, oldAt, size)` for each stretch of the old file in [begin, end) of the new one.
template <typename Piece>
void ForOldPieces(const std::vector<Segment>& segments, int64_t begin, int64_t end, Piece piece) {
    auto it = std::upper_bound(segments.begin(), segments.end(), begin,
                               [](int64_t at, const Segment& s) { return at < s.end; });
    for (; it != segments.end() && it->begin < end; ++it) {
        if (it->inserted == nullptr) {
            const int64_t from = std::max(begin, it->begin);
            const int64_t to = std::min(end, it->end);
            piece(from, it->oldOffset + (from - it->begin), to - from);
        }
    }
}

// How much of the old file the new file's first `end` bytes are made from.
int64_t OldPassed(const std::vector<Segment>& segments, int64_t end) {
    int64_t passed = 0;
    ForOldPieces(segments, 0, end,
                 [&passed](int64_t, int64_t oldAt, int64_t size) { passed = oldAt + size; });
    return passed;
}

void Require(bool inside, const char* what, int64_t at) {
    if (!inside) {
        throw PelmarError(ErrorKind::BadMap, std::string(what) + " lies outside the edited file",
                          at);
    }
}

// Applies the operations `ops` (indexes into the edit's, ascending) to the window of the new
// file at [start, start + window.size()): each operation's bytes and words that lie wholly inside
// it. With `trace`, records what the operations replaced, each at its place in `places`.
void ApplyOps(const FileEdit& edit, const std::vector<uint32_t>& ops, int64_t start,
              std::span<uint8_t> window, EditTrace* trace, const TracePlaces* places) {
    const int64_t end = start + static_cast<int64_t>(window.size());
    for (uint32_t index : ops) {
        const FileEdit::Op& op = edit.ops[index];
        switch (op.kind) {
        case FileEdit::OpKind::SetBytes: {
            const int64_t from = std::max(op.at, start);
            const int64_t to = std::min(op.at + static_cast<int64_t>(op.bytes.size()), end);
            if (from < to) {
                if (trace != nullptr) {
                    std::memcpy(trace->setBefore.data() + places->Of(index) + (from - op.at),
                                window.data() + (from - start), static_cast<size_t>(to - from));
                }
                std::memcpy(window.data() + (from - start), op.bytes.data() + (from - op.at),
                            static_cast<size_t>(to - from));
            }
            break;
        }
        case FileEdit::OpKind::AddWord:
            if (op.at >= start && op.at + 4 <= end) {
                uint8_t* p = window.data() + (op.at - start);
                StoreI32(p, AddWrap(LoadI32(p), op.amount));
            }
            break;
        case FileEdit::OpKind::ShiftWords: {
            const int64_t first = op.run.start < start ? (start - op.run.start + 3) / 4 : 0;
            const int64_t last = std::min(op.run.count, (end - op.run.start) / 4);
            if (first < last) {
                ShiftWords(window, WordRun{op.run.start + 4 * first - start, last - first},
                           op.values, op.amount,
                           trace != nullptr ? trace->moved.data() + places->Of(index) : nullptr,
                           first);
            }
            break;
        }
        }
    }
}

// Reverts the operations on the window, in reverse order, from what they replaced.
void RevertOps(const FileEdit& edit, const std::vector<uint32_t>& ops, int64_t start,
               std::span<uint8_t> window, const EditTrace& trace, const TracePlaces& places) {
    const int64_t end = start + static_cast<int64_t>(window.size());
    for (auto it = ops.rbegin(); it != ops.rend(); ++it) {
        const FileEdit::Op& op = edit.ops[*it];
        if (op.kind == FileEdit::OpKind::SetBytes) {
            const int64_t from = std::max(op.at, start);
            const int64_t to = std::min(op.at + static_cast<int64_t>(op.bytes.size()), end);
            if (from < to) {
                std::memcpy(window.data() + (from - start),
                            trace.setBefore.data() + places.Of(*it) + (from - op.at),
                            static_cast<size_t>(to - from));
            }
        } else if (op.kind == FileEdit::OpKind::AddWord) {
            if (op.at >= start && op.at + 4 <= end) {
                uint8_t* p = window.data() + (op.at - start);
                StoreI32(p, SubWrap(LoadI32(p), op.amount));
            }
        } else {
            const uint64_t* moved = trace.moved.data() + places.Of(*it);
            const int64_t first = op.run.start < start ? (start - op.run.start + 3) / 4 : 0;
            const int64_t last = std::min(op.run.count, (end - op.run.start) / 4);
            for (int64_t k = first; k < last; ++k) {
                if ((moved[k / 64] >> (k % 64)) & 1u) {
                    uint8_t* p = window.data() + (op.run.start + 4 * k - start);
                    StoreI32(p, SubWrap(LoadI32(p), op.amount));
                }
            }
        }
    }
}

// The bytes of the new file an operation changes: [begin, end).
struct Extent {
    int64_t begin = 0;
    int64_t end = 0;
};

Extent ExtentOf(const FileEdit::Op& op) {
    switch (op.kind) {
    case FileEdit::OpKind::SetBytes:
        return {op.at, op.at + static_cast<int64_t>(op.bytes.size())};
    case FileEdit::OpKind::AddWord:
        return {op.at, op.at + 4};
    case FileEdit::OpKind::ShiftWords:
        break;
    }
    return {op.run.start, op.run.start + 4 * op.run.count};
}

// Checks that every operation lies inside the new file of `length` bytes.
void RequireOpsInside(const FileEdit& edit, int64_t length) {
    for (const FileEdit::Op& op : edit.ops) {
        const Extent e = ExtentOf(op);
        Require(RangeFits(e.begin, e.end - e.begin, static_cast<uint64_t>(length)),
                "an operation's word", e.begin);
    }
}

// For each block of `block` bytes, the operations that touch it or its 3 bytes on either side,
// in order.
using OpBuckets = std::vector<std::vector<uint32_t>>;
OpBuckets Buckets(const FileEdit& edit, int64_t block, int64_t length) {
    OpBuckets buckets(static_cast<size_t>((length + block - 1) / block));
    const auto last = static_cast<int64_t>(buckets.size()) - 1;
    const auto each = [&](const auto& add) {
        for (size_t i = 0; i < edit.ops.size(); ++i) {
            const Extent e = ExtentOf(edit.ops[i]);
            for (int64_t b = std::max<int64_t>(0, (e.begin - 3) / block);
                 b <= std::min(last, (e.end + 3) / block); ++b) {
                add(static_cast<size_t>(b), static_cast<uint32_t>(i));
            }
        }
    };
    std::vector<size_t> sizes(buckets.size());
    each([&sizes](size_t b, uint32_t) { ++sizes[b]; });
    for (size_t b = 0; b < buckets.size(); ++b) {
        buckets[b].reserve(sizes[b]);
    }
    each([&buckets](size_t b, uint32_t i) { buckets[b].push_back(i); });
    return buckets;
}

// True when every block can be computed on its own: no two word operations on different grids
// (offsets modulo 4) touch the same bytes (one would read the other's half-written word).
bool Streamable(const FileEdit& edit) {
    unsigned grids = 0;
    for (const FileEdit::Op& op : edit.ops) {
        if (op.kind != FileEdit::OpKind::SetBytes) {
            grids |= 1u << (ExtentOf(op).begin & 3);
        }
    }
    if (std::has_single_bit(grids) || grids == 0) { // the usual edit: every word on one grid
        return true;
    }
    std::vector<Extent> spans;
    for (const FileEdit::Op& op : edit.ops) {
        if (op.kind != FileEdit::OpKind::SetBytes) {
            spans.push_back(ExtentOf(op));
        }
    }
    const auto before = [](const Extent& a, const Extent& b) { return a.begin < b.begin; };
    if (!std::is_sorted(spans.begin(), spans.end(), before)) {
        std::sort(spans.begin(), spans.end(), before);
    }
    std::array<int64_t, 4> reach{}; // the furthest end seen on each grid
    reach.fill(std::numeric_limits<int64_t>::min());
    for (const Extent& s : spans) {
        const auto grid = static_cast<size_t>(s.begin & 3);
        for (size_t other = 0; other < reach.size(); ++other) {
            if (other != grid && reach[other] > s.begin) {
                return false;
            }
        }
        reach[grid] = std::max(reach[grid], s.end);
    }
    return true;
}

// Copies [at, at + out.size()) of the new file: the old bytes and insertions around it, with
// the operations `ops` (ascending) applied, of which those that touch it must be among.
void ReadWindow(const std::vector<Segment>& segments, const ByteSource& old, const FileEdit& edit,
                const std::vector<uint32_t>& ops, int64_t at, std::span<uint8_t> out) {
    const auto length = static_cast<int64_t>(old.size() + edit.InsertedBytes());
    const int64_t start = std::max<int64_t>(0, at - 3);
    const int64_t end = std::min<int64_t>(length, at + static_cast<int64_t>(out.size()) + 3);
    std::vector<uint8_t> window(static_cast<size_t>(end - start));
    CopyNew(segments, old, start, window);
    ApplyOps(edit, ops, start, window, nullptr, nullptr);
    std::memcpy(out.data(), window.data() + (at - start), out.size());
}

// The new file of `edit` over `old`, read a stretch at a time without the rest of it, applying
// only the operations of the blocks each stretch lies in.
class EditedSource : public ByteSource {
public:
    EditedSource(const ByteSource& old, const FileEdit& edit, const std::vector<Segment>& segments,
                 const OpBuckets& buckets, int64_t block)
        : old_(old), edit_(edit), segments_(segments), buckets_(buckets), block_(block) {}
    uint64_t size() const override { return old_.size() + edit_.InsertedBytes(); }
    void Read(uint64_t at, std::span<uint8_t> out) const override {
        const auto begin = static_cast<int64_t>(at);
        const int64_t end = begin + static_cast<int64_t>(out.size());
        const auto first = static_cast<size_t>(std::max<int64_t>(0, begin - 3) / block_);
        const size_t last = std::min(buckets_.size() - 1, static_cast<size_t>((end + 3) / block_));
        std::vector<uint32_t> ops;
        for (size_t b = first; b <= last; ++b) {
            ops.insert(ops.end(), buckets_[b].begin(), buckets_[b].end());
        }
        if (first != last) { // an operation near a boundary is in both buckets
            std::sort(ops.begin(), ops.end());
            ops.erase(std::unique(ops.begin(), ops.end()), ops.end());
        }
        ReadWindow(segments_, old_, edit_, ops, begin, out);
    }

private:
    const ByteSource& old_;
    const FileEdit& edit_;
    const std::vector<Segment>& segments_;
    const OpBuckets& buckets_;
    int64_t block_;
};

// Reads of `source` (which must outlive them) that answer false outside it.
FileReadAt ReaderOf(const ByteSource& source) {
    return {[&source](int64_t at, std::span<uint8_t> out) {
                if (!RangeFits(at, static_cast<int64_t>(out.size()), source.size())) {
                    return false;
                }
                source.Read(static_cast<uint64_t>(at), out);
                return true;
            },
            source.size()};
}

// The checksum of the new file's regions, kept as the blocks pass; when the edit recomputes it
// only if the old one was right, the old file's checksum too, from the old bytes each block is
// made of before its operations change them.
class StreamChecksum {
public:
    StreamChecksum(const ByteSource& old, const FileEdit& edit, const EditedSource& edited) {
        if (edit.checksum == FileEdit::Checksum::Keep) {
            return;
        }
        std::optional<std::vector<ByteRegion>> regions = ChecksumRegions(ReaderOf(edited));
        if (!regions) {
            return;
        }
        if (edit.checksum == FileEdit::Checksum::RecomputeIfRight) {
            std::optional<std::vector<ByteRegion>> oldRegions = ChecksumRegions(ReaderOf(old));
            if (!oldRegions) {
                return; // the old checksum covers nothing that can be found: it stays as it is
            }
            oldRegions_ = std::move(*oldRegions);
            oldCrcs_.assign(oldRegions_.size(), 0);
            uint8_t stored[4];
            old.Read(layout::kHeaderCrcField, stored);
            stored_ = LoadU32(stored);
        }
        regions_ = std::move(*regions);
        crcs_.assign(regions_.size(), 0);
    }
    bool Active() const { return !regions_.empty(); }
    // Sums the new file's `block` at `start`.
    void AddNew(int64_t start, std::span<const uint8_t> block) {
        const int64_t end = start + static_cast<int64_t>(block.size());
        for (int64_t at = layout::kHeaderCrcField; at < layout::kHeaderCrcField + 4; ++at) {
            if (at >= start && at < end) {
                streamed_[static_cast<size_t>(at - layout::kHeaderCrcField)] =
                    block[static_cast<size_t>(at - start)];
            }
        }
        Extend(regions_, crcs_, start, block);
    }
    // Sums the old file's `bytes` at `start`; the old file's bytes must come in order, once each.
    void AddOld(int64_t start, std::span<const uint8_t> bytes) {
        if (!oldRegions_.empty()) {
            Extend(oldRegions_, oldCrcs_, start, bytes);
        }
    }
    // Writes the new checksum when the edit calls for it; true when it did.
    bool Finish(ByteSink& sink, EditTrace* trace) const {
        if (regions_.empty() ||
            (!oldRegions_.empty() && Combined(oldRegions_, oldCrcs_) != stored_)) {
            return false;
        }
        uint8_t word[4];
        StoreU32(word, Combined(regions_, crcs_));
        sink.Overwrite(layout::kHeaderCrcField, word);
        if (trace != nullptr) {
            trace->checksumBefore.assign(streamed_, streamed_ + 4);
        }
        return true;
    }

private:
    static void Extend(const std::vector<ByteRegion>& regions, std::vector<uint32_t>& crcs,
                       int64_t start, std::span<const uint8_t> bytes) {
        const int64_t end = start + static_cast<int64_t>(bytes.size());
        for (size_t i = 0; i < regions.size(); ++i) {
            const int64_t from = std::max(start, regions[i].at);
            const int64_t to = std::min(end, regions[i].at + regions[i].length);
            if (from < to) {
                crcs[i] = Crc32(crcs[i], bytes.subspan(static_cast<size_t>(from - start),
                                                       static_cast<size_t>(to - from)));
            }
        }
    }
    // The header's form of the checksum of the regions in turn: the inverted CRC-32.
    static uint32_t Combined(const std::vector<ByteRegion>& regions,
                             const std::vector<uint32_t>& crcs) {
        uLong crc = crcs[0];
        for (size_t i = 1; i < regions.size(); ++i) {
            crc = ::crc32_combine(crc, crcs[i], static_cast<z_off_t>(regions[i].length));
        }
        return ~static_cast<uint32_t>(crc);
    }

    std::vector<ByteRegion> regions_;
    std::vector<uint32_t> crcs_;
    std::vector<ByteRegion> oldRegions_;
    std::vector<uint32_t> oldCrcs_;
    uint32_t stored_ = 0;
    uint8_t streamed_[4] = {};
};

// The blocks of a pass over a file of `length` bytes: each about `block` bytes (the whole file
// when the edit's word operations on different grids overlap).
int64_t BlockSize(const FileEdit& edit, const StreamControl& control, int64_t length) {
    return Streamable(edit) ? static_cast<int64_t>(std::max<size_t>(control.blockSize, 4096))
                            : std::max<int64_t>(length, 1);
}

// Tells `control` how far the pass has come; throws when it asks to stop.
void Progress(const StreamControl& control, int64_t done, int64_t total) {
    if (control.progress &&
        !control.progress(static_cast<uint64_t>(done), static_cast<uint64_t>(total))) {
        throw PelmarError(ErrorKind::Cancelled, "the edit was cancelled");
    }
}

} // namespace

size_t ReplacedBytes(const FileEdit::Op& op) {
    return op.kind == FileEdit::OpKind::SetBytes ? op.bytes.size() : 0;
}

size_t MovedWords(const FileEdit::Op& op) {
    return op.kind == FileEdit::OpKind::ShiftWords && op.run.count > 0
               ? static_cast<size_t>((op.run.count + 63) / 64)
               : 0;
}

TracePlaces::TracePlaces(const FileEdit& edit) {
    for (size_t i = 0; i < edit.ops.size(); ++i) {
        const FileEdit::Op& op = edit.ops[i];
        if (op.kind == FileEdit::OpKind::SetBytes) {
            places_.emplace_back(static_cast<uint32_t>(i), setBytes_);
            setBytes_ += ReplacedBytes(op);
        } else if (op.kind == FileEdit::OpKind::ShiftWords) {
            places_.emplace_back(static_cast<uint32_t>(i), movedWords_);
            movedWords_ += MovedWords(op);
        }
    }
}

size_t TracePlaces::Of(uint32_t op) const {
    return std::lower_bound(places_.begin(), places_.end(), std::pair<uint32_t, size_t>(op, 0))
        ->second;
}

void ReadEdited(const ByteSource& old, const FileEdit& edit, int64_t at, std::span<uint8_t> out,
                size_t blockSize) {
    const auto length = static_cast<int64_t>(old.size() + edit.InsertedBytes());
    const auto block = static_cast<int64_t>(std::max<size_t>(blockSize, 4096));
    EditedSource(old, edit, SegmentsOf(old.size(), edit), Buckets(edit, block, length), block)
        .Read(static_cast<uint64_t>(at), out);
}

bool StreamEdit(std::span<const uint8_t> old, const FileEdit& edit, ByteSink& sink,
                const StreamControl& control) {
    return StreamEdit(SpanSource(old), edit, sink, control);
}

bool StreamEdit(const ByteSource& old, const FileEdit& edit, ByteSink& sink,
                const StreamControl& control) {
    const std::vector<Segment> segments = SegmentsOf(old.size(), edit);
    const auto length = static_cast<int64_t>(old.size() + edit.InsertedBytes());
    RequireOpsInside(edit, length);
    const int64_t block = BlockSize(edit, control, length);
    const OpBuckets buckets = Buckets(edit, block, length);
    const TracePlaces places(edit);
    if (EditTrace* trace = control.trace) {
        trace->setBefore.assign(places.setBytes(), 0);
        trace->moved.assign(places.movedWords(), 0);
    }
    StreamChecksum checksum(old, edit, EditedSource(old, edit, segments, buckets, block));
    // Two windows and two threads: the second makes the next block (reads it, sums the old
    // bytes it holds, applies the operations) while this one sums and writes the block made
    // before.
    const auto windowSize = static_cast<size_t>(std::min(block, length) + 6);
    // Ordinary pages: the kernel's huge pages cost more to get here than they save.
    const auto windows = std::make_unique_for_overwrite<uint8_t[]>(2 * windowSize);
    const auto windowOf = [&](int64_t begin) {
        const int64_t end = std::min(length, begin + block);
        const int64_t start = std::max<int64_t>(0, begin - 3);
        return std::span<uint8_t>(windows.get() + windowSize * ((begin / block) % 2),
                                  static_cast<size_t>(std::min(length, end + 3) - start));
    };
    const auto make = [&](int64_t begin) {
        const int64_t end = std::min(length, begin + block);
        const int64_t start = std::max<int64_t>(0, begin - 3);
        const std::span<uint8_t> w = windowOf(begin);
        CopyNew(segments, old, start, w);
        ForOldPieces(segments, begin, end, [&](int64_t at, int64_t oldAt, int64_t size) {
            checksum.AddOld(oldAt,
                            w.subspan(static_cast<size_t>(at - start), static_cast<size_t>(size)));
        });
        ApplyOps(edit, buckets[static_cast<size_t>(begin / block)], start, w, control.trace,
                 &places);
    };
    OrderedHelper helper;
    helper.Run([&make] { make(0); });
    for (int64_t begin = 0; begin < length; begin += block) {
        const int64_t end = std::min(length, begin + block);
        helper.Wait();
        if (end < length) {
            helper.Run([&make, end] { make(end); });
        }
        const auto written = windowOf(begin).subspan(static_cast<size_t>(begin > 0 ? 3 : 0),
                                                     static_cast<size_t>(end - begin));
        if (checksum.Active()) {
            checksum.AddNew(begin, written);
        }
        if (control.passed) {
            // The next block reads again the 3 bytes before its start.
            control.passed(
                static_cast<uint64_t>(std::max<int64_t>(0, OldPassed(segments, end) - 3)));
        }
        sink.Append(written);
        Progress(control, end, length);
    }
    return checksum.Finish(sink, control.trace);
}

void StreamUndo(std::span<const uint8_t> current, const FileEdit& edit, const EditTrace& trace,
                ByteSink& sink, const StreamControl& control) {
    const auto length = static_cast<int64_t>(current.size());
    RequireOpsInside(edit, length);
    // The inserted stretches of the current file, which the file before the edit lacks.
    std::vector<std::pair<int64_t, int64_t>> inserted;
    int64_t shift = 0;
    for (const FileEdit::Insertion& i : edit.insertions) {
        inserted.emplace_back(i.at + shift, i.at + shift + static_cast<int64_t>(i.bytes.size()));
        shift += static_cast<int64_t>(i.bytes.size());
    }
    const int64_t block = BlockSize(edit, control, length);
    const OpBuckets buckets = Buckets(edit, block, length);
    const TracePlaces places(edit);
    if (trace.setBefore.size() != places.setBytes() || trace.moved.size() != places.movedWords()) {
        throw PelmarError(ErrorKind::Io, "a history record does not fit its edit");
    }
    std::vector<uint8_t> window(static_cast<size_t>(std::min(block, length) + 6));
    for (int64_t begin = 0; begin < length; begin += block) {
        const int64_t end = std::min(length, begin + block);
        const int64_t start = std::max<int64_t>(0, begin - 3);
        const std::span<uint8_t> w(window.data(),
                                   static_cast<size_t>(std::min(length, end + 3) - start));
        std::memcpy(w.data(), current.data() + start, w.size());
        if (trace.checksumBefore.size() == 4) {
            for (int64_t at = layout::kHeaderCrcField; at < layout::kHeaderCrcField + 4; ++at) {
                if (at >= start && at < start + static_cast<int64_t>(w.size())) {
                    w[static_cast<size_t>(at - start)] =
                        trace.checksumBefore[static_cast<size_t>(at - layout::kHeaderCrcField)];
                }
            }
        }
        RevertOps(edit, buckets[static_cast<size_t>(begin / block)], start, w, trace, places);
        int64_t from = begin;
        for (const auto& [insBegin, insEnd] : inserted) {
            if (insEnd <= from || insBegin >= end) {
                continue;
            }
            if (insBegin > from) {
                sink.Append(w.subspan(static_cast<size_t>(from - start),
                                      static_cast<size_t>(insBegin - from)));
            }
            from = std::min(end, insEnd);
        }
        if (from < end) {
            sink.Append(
                w.subspan(static_cast<size_t>(from - start), static_cast<size_t>(end - from)));
        }
        Progress(control, end, length);
    }
}

} // namespace pelmar
