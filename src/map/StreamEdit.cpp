#include "map/StreamEdit.h"

#include "map/MapChecksum.h"
#include "map/MapLayout.h"
#include "platform/Error.h"
#include "platform/Int32.h"
#include "platform/Words.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace pelmar {

namespace {

// A stretch of the new file and where its bytes come from.
struct Segment {
    int64_t begin = 0;
    int64_t end = 0;
    const uint8_t* source = nullptr;
    bool old = false;
    int64_t oldOffset = 0; // for old stretches
};

std::vector<Segment> SegmentsOf(std::span<const uint8_t> old, const FileEdit& edit) {
    std::vector<Segment> segments;
    int64_t from = 0;
    int64_t at = 0;
    const auto add = [&](int64_t length, const uint8_t* source, bool isOld, int64_t oldOffset) {
        if (length > 0) {
            segments.push_back({at, at + length, source, isOld, oldOffset});
            at += length;
        }
    };
    for (const FileEdit::Insertion& i : edit.insertions) {
        if (i.at < from || static_cast<uint64_t>(i.at) > old.size()) {
            throw PelmarError(ErrorKind::BadMap, "an insertion point lies outside the file", i.at);
        }
        add(i.at - from, old.data() + from, true, from);
        add(static_cast<int64_t>(i.bytes.size()), i.bytes.data(), false, 0);
        from = i.at;
    }
    add(static_cast<int64_t>(old.size()) - from, old.data() + from, true, from);
    return segments;
}

// Copies [begin, begin + out.size()) of the new file's bytes before any operation.
void CopyNew(const std::vector<Segment>& segments, int64_t begin, std::span<uint8_t> out) {
    const int64_t end = begin + static_cast<int64_t>(out.size());
    auto it = std::upper_bound(segments.begin(), segments.end(), begin,
                               [](int64_t at, const Segment& s) { return at < s.end; });
    for (; it != segments.end() && it->begin < end; ++it) {
        const int64_t from = std::max(begin, it->begin);
        const int64_t to = std::min(end, it->end);
        std::memcpy(out.data() + (from - begin), it->source + (from - it->begin),
                    static_cast<size_t>(to - from));
    }
}

void Require(bool inside, const char* what, int64_t at) {
    if (!inside) {
        throw PelmarError(ErrorKind::BadMap, std::string(what) + " lies outside the edited file",
                          at);
    }
}

// Applies the operations to the window of the new file at [start, start + window.size()): each
// operation's bytes and words that lie wholly inside it. `length` is the new file's length.
void ApplyOps(const FileEdit& edit, int64_t start, std::span<uint8_t> window, int64_t length) {
    const int64_t end = start + static_cast<int64_t>(window.size());
    for (const FileEdit::Op& op : edit.ops) {
        switch (op.kind) {
        case FileEdit::OpKind::SetBytes: {
            Require(RangeFits(op.at, static_cast<int64_t>(op.bytes.size()), static_cast<uint64_t>(length)),
                    "a word to write", op.at);
            const int64_t from = std::max(op.at, start);
            const int64_t to = std::min(op.at + static_cast<int64_t>(op.bytes.size()), end);
            if (from < to) {
                std::memcpy(window.data() + (from - start), op.bytes.data() + (from - op.at),
                            static_cast<size_t>(to - from));
            }
            break;
        }
        case FileEdit::OpKind::AddWord:
            Require(WordFits(op.at, static_cast<uint64_t>(length)), "a word to move", op.at);
            if (op.at >= start && op.at + 4 <= end) {
                uint8_t* p = window.data() + (op.at - start);
                StoreI32(p, AddWrap(LoadI32(p), op.amount));
            }
            break;
        case FileEdit::OpKind::ShiftWords: {
            Require(RangeFits(op.run.start, op.run.count * 4, static_cast<uint64_t>(length)),
                    "a run of words to move", op.run.start);
            const int64_t first = op.run.start < start ? (start - op.run.start + 3) / 4 : 0;
            const int64_t last = std::min(op.run.count, (end - op.run.start) / 4);
            if (first < last) {
                ShiftWords(window, WordRun{op.run.start + 4 * first - start, last - first},
                           op.values, op.amount);
            }
            break;
        }
        }
    }
}

// The grid (offset modulo 4) and stretch of each word operation.
struct WordSpan {
    int64_t begin = 0;
    int64_t end = 0;
    int grid = 0;
};

// True when every block can be computed on its own: no two word operations on different grids
// touch the same bytes (one would read the other's half-written word).
bool Streamable(const FileEdit& edit) {
    std::vector<WordSpan> spans;
    for (const FileEdit::Op& op : edit.ops) {
        if (op.kind == FileEdit::OpKind::AddWord) {
            spans.push_back({op.at, op.at + 4, static_cast<int>(op.at & 3)});
        } else if (op.kind == FileEdit::OpKind::ShiftWords) {
            spans.push_back({op.run.start, op.run.start + 4 * op.run.count,
                             static_cast<int>(op.run.start & 3)});
        }
    }
    std::sort(spans.begin(), spans.end(),
              [](const WordSpan& a, const WordSpan& b) { return a.begin < b.begin; });
    std::map<int, int64_t> reach; // the furthest end seen on each grid
    for (const WordSpan& s : spans) {
        for (const auto& [grid, end] : reach) {
            if (grid != s.grid && end > s.begin) {
                return false;
            }
        }
        reach[s.grid] = std::max(reach[s.grid], s.end);
    }
    return true;
}

// The checksum of the new file's regions, kept as the blocks pass.
class StreamChecksum {
public:
    StreamChecksum(std::span<const uint8_t> old, const FileEdit& edit, int64_t length) {
        if (!edit.updateChecksum) {
            return;
        }
        const FileReadAt reader{[&](int64_t at, std::span<uint8_t> out) {
                                    if (!RangeFits(at, static_cast<int64_t>(out.size()),
                                                   static_cast<uint64_t>(length))) {
                                        return false;
                                    }
                                    ReadEdited(old, edit, at, out);
                                    return true;
                                },
                                static_cast<uint64_t>(length)};
        if (auto regions = ChecksumRegions(reader)) {
            regions_ = std::move(*regions);
            crcs_.assign(regions_.size(), ::crc32(0, nullptr, 0));
        }
    }
    void Add(int64_t start, std::span<const uint8_t> block) {
        const int64_t end = start + static_cast<int64_t>(block.size());
        for (int64_t at = layout::kHeaderCrcField; at < layout::kHeaderCrcField + 4; ++at) {
            if (at >= start && at < end) {
                streamed_[static_cast<size_t>(at - layout::kHeaderCrcField)] =
                    block[static_cast<size_t>(at - start)];
            }
        }
        for (size_t i = 0; i < regions_.size(); ++i) {
            const int64_t from = std::max(start, regions_[i].at);
            const int64_t to = std::min(end, regions_[i].at + regions_[i].length);
            if (from < to) {
                crcs_[i] = ::crc32(crcs_[i], block.data() + (from - start),
                                   static_cast<uInt>(to - from));
            }
        }
    }
    void Finish(ByteSink& sink, const StreamControl& control) const {
        if (regions_.empty()) {
            return;
        }
        uLong crc = crcs_[0];
        for (size_t i = 1; i < regions_.size(); ++i) {
            crc = ::crc32_combine(crc, crcs_[i], static_cast<z_off_t>(regions_[i].length));
        }
        uint8_t word[4];
        StoreU32(word, ~static_cast<uint32_t>(crc)); // the header keeps the inverted CRC-32
        sink.Overwrite(layout::kHeaderCrcField, word);
        if (control.changed && std::memcmp(word, streamed_, 4) != 0) {
            control.changed(layout::kHeaderCrcField, streamed_, word);
        }
    }

private:
    std::vector<ByteRegion> regions_;
    std::vector<uLong> crcs_;
    uint8_t streamed_[4] = {};
};

// Reports the stretches of [begin, end) of the new file, outside the insertions, where `after`
// differs from `before` (both views of the window that starts at `start`). Differences closer
// than a few bytes make one stretch.
void ReportChanges(const std::vector<Segment>& segments, int64_t start, int64_t begin, int64_t end,
                   std::span<const uint8_t> before, std::span<const uint8_t> after,
                   const StreamControl& control) {
    constexpr int64_t kGap = 8;
    constexpr int64_t kChunk = 256;
    for (const Segment& seg : segments) {
        if (!seg.old || seg.end <= begin || seg.begin >= end) {
            continue;
        }
        const int64_t to = std::min(end, seg.end) - start;
        int64_t at = std::max(begin, seg.begin) - start;
        while (at < to) {
            const int64_t chunk = std::min(kChunk, to - at);
            if (std::memcmp(before.data() + at, after.data() + at, static_cast<size_t>(chunk)) == 0) {
                at += chunk;
                continue;
            }
            while (before[static_cast<size_t>(at)] == after[static_cast<size_t>(at)]) {
                ++at;
            }
            int64_t stop = at + 1;
            for (int64_t same = 0; stop < to && same < kGap; ++stop) {
                same = before[static_cast<size_t>(stop)] == after[static_cast<size_t>(stop)] ? same + 1 : 0;
            }
            control.changed(start + at, before.subspan(static_cast<size_t>(at), static_cast<size_t>(stop - at)),
                            after.subspan(static_cast<size_t>(at), static_cast<size_t>(stop - at)));
            at = stop;
        }
    }
}

} // namespace

void ReadEdited(std::span<const uint8_t> old, const FileEdit& edit, int64_t at,
                std::span<uint8_t> out) {
    const auto length = static_cast<int64_t>(old.size() + edit.InsertedBytes());
    const int64_t start = std::max<int64_t>(0, at - 3);
    const int64_t end = std::min<int64_t>(length, at + static_cast<int64_t>(out.size()) + 3);
    std::vector<uint8_t> window(static_cast<size_t>(end - start));
    CopyNew(SegmentsOf(old, edit), start, window);
    ApplyOps(edit, start, window, length);
    std::memcpy(out.data(), window.data() + (at - start), out.size());
}

void StreamEdit(std::span<const uint8_t> old, const FileEdit& edit, ByteSink& sink,
                const StreamControl& control) {
    const std::vector<Segment> segments = SegmentsOf(old, edit);
    const auto length = static_cast<int64_t>(old.size() + edit.InsertedBytes());
    const int64_t block = Streamable(edit) ? static_cast<int64_t>(std::max<size_t>(control.blockSize, 4096))
                                           : std::max<int64_t>(length, 1);
    StreamChecksum checksum(old, edit, length);
    std::vector<uint8_t> window(static_cast<size_t>(std::min(block, length) + 6));
    std::vector<uint8_t> copied(control.changed ? window.size() : 0); // the window before the operations
    for (int64_t begin = 0; begin < length; begin += block) {
        const int64_t end = std::min(length, begin + block);
        const int64_t start = std::max<int64_t>(0, begin - 3);
        const std::span<uint8_t> w(window.data(),
                                   static_cast<size_t>(std::min(length, end + 3) - start));
        CopyNew(segments, start, w);
        if (control.changed) {
            std::memcpy(copied.data(), w.data(), w.size());
        }
        ApplyOps(edit, start, w, length);
        if (control.changed) {
            ReportChanges(segments, start, begin, end, std::span(copied).first(w.size()), w, control);
        }
        const auto written = w.subspan(static_cast<size_t>(begin - start),
                                       static_cast<size_t>(end - begin));
        checksum.Add(begin, written);
        sink.Append(written);
        if (control.consumed) {
            const auto seg = std::upper_bound(segments.begin(), segments.end(), end - 1,
                                              [](int64_t at, const Segment& s) { return at < s.end; });
            if (seg != segments.end() && seg->old) {
                control.consumed(static_cast<uint64_t>(seg->oldOffset + (end - 1 - seg->begin)));
            }
        }
        if (control.progress && !control.progress(static_cast<uint64_t>(end),
                                                  static_cast<uint64_t>(length))) {
            throw PelmarError(ErrorKind::Cancelled, "the edit was cancelled");
        }
    }
    checksum.Finish(sink, control);
}

} // namespace pelmar
