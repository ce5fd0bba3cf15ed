#include "session/EditRecord.h"

#include "map/MapLayout.h"
#include "platform/Error.h"

#include <algorithm>
#include <cstring>

namespace pelmar {

namespace {

struct Range {
    int64_t begin = 0;
    int64_t end = 0;
};

// The stretches of the new file that the edit's operations may have changed.
std::vector<Range> TouchedRanges(const FileEdit& edit) {
    std::vector<Range> ranges;
    for (const FileEdit::Op& op : edit.ops) {
        switch (op.kind) {
        case FileEdit::OpKind::SetBytes:
            ranges.push_back({op.at, op.at + static_cast<int64_t>(op.bytes.size())});
            break;
        case FileEdit::OpKind::AddWord:
            ranges.push_back({op.at, op.at + 4});
            break;
        case FileEdit::OpKind::ShiftWords:
            ranges.push_back({op.run.start, op.run.start + 4 * op.run.count});
            break;
        }
    }
    if (edit.updateChecksum) {
        ranges.push_back({layout::kHeaderCrcField, layout::kHeaderCrcField + 4});
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const Range& a, const Range& b) { return a.begin < b.begin; });
    std::vector<Range> merged;
    for (const Range& r : ranges) {
        if (!merged.empty() && r.begin <= merged.back().end) {
            merged.back().end = std::max(merged.back().end, r.end);
        } else {
            merged.push_back(r);
        }
    }
    return merged;
}

// Records the bytes of [begin, end) of the new file (none inserted) that differ from the old.
void Compare(std::span<const uint8_t> old, std::span<const uint8_t> now, int64_t begin,
             int64_t end, int64_t shift, EditRecord& record) {
    constexpr int64_t kGap = 8; // nearby differences make one change
    int64_t at = begin;
    while (at < end) {
        while (at < end && now[static_cast<size_t>(at)] == old[static_cast<size_t>(at - shift)]) {
            ++at;
        }
        if (at == end) {
            return;
        }
        int64_t stop = at + 1;
        for (int64_t same = 0; stop < end && same < kGap; ++stop) {
            same = now[static_cast<size_t>(stop)] == old[static_cast<size_t>(stop - shift)] ? same + 1 : 0;
        }
        const auto b = static_cast<size_t>(at);
        const auto e = static_cast<size_t>(stop);
        record.changes.push_back({static_cast<uint64_t>(at),
                                  {old.begin() + static_cast<long>(b - shift), old.begin() + static_cast<long>(e - shift)},
                                  {now.begin() + static_cast<long>(b), now.begin() + static_cast<long>(e)}});
        at = stop;
    }
}

[[noreturn]] void Unfit() {
    throw PelmarError(ErrorKind::Io, "the history record of this edit does not fit the map");
}

// Checks that `record` describes a file of `oldLength` bytes becoming one of `newLength`.
void RequireFits(const EditRecord& record) {
    uint64_t inserted = 0;
    int64_t last = 0;
    for (const FileEdit::Insertion& i : record.insertions) {
        if (i.at < last || static_cast<uint64_t>(i.at) > record.oldLength) {
            Unfit();
        }
        last = i.at;
        inserted += i.bytes.size();
    }
    if (record.oldLength + inserted != record.newLength) {
        Unfit();
    }
    for (const EditRecord::Change& c : record.changes) {
        if (c.before.size() != c.after.size() || c.at + c.after.size() > record.newLength) {
            Unfit();
        }
    }
}

} // namespace

uint64_t EditRecord::Weight() const {
    uint64_t weight = 256;
    for (const FileEdit::Insertion& i : insertions) {
        weight += i.bytes.size() + 16;
    }
    for (const Change& c : changes) {
        weight += 2 * c.before.size() + 16;
    }
    return weight;
}

EditRecord RecordEdit(std::span<const uint8_t> old, std::span<const uint8_t> now,
                      const FileEdit& edit) {
    EditRecord record;
    record.oldLength = old.size();
    record.newLength = now.size();
    record.insertions = edit.insertions;
    // Walk the touched ranges between the insertions, in new-file offsets.
    for (const Range& r : TouchedRanges(edit)) {
        int64_t shift = 0;  // inserted bytes before the stretch
        int64_t begin = r.begin;
        for (const FileEdit::Insertion& i : edit.insertions) {
            const int64_t insBegin = i.at + shift;
            const int64_t insEnd = insBegin + static_cast<int64_t>(i.bytes.size());
            if (begin < insBegin) {
                Compare(old, now, begin, std::min(r.end, insBegin), shift, record);
            }
            begin = std::max(begin, insEnd);
            shift += static_cast<int64_t>(i.bytes.size());
            if (begin >= r.end) {
                break;
            }
        }
        if (begin < r.end) {
            Compare(old, now, begin, std::min<int64_t>(r.end, static_cast<int64_t>(now.size())),
                    shift, record);
        }
    }
    return record;
}

ByteBuffer Undone(std::span<const uint8_t> after, const EditRecord& record) {
    RequireFits(record);
    if (after.size() != record.newLength) {
        Unfit();
    }
    std::vector<uint8_t> restored(after.begin(), after.end());
    for (const EditRecord::Change& c : record.changes) {
        std::memcpy(restored.data() + c.at, c.before.data(), c.before.size());
    }
    ByteBuffer out(static_cast<size_t>(record.oldLength));
    size_t from = 0;
    size_t to = 0;
    uint64_t shift = 0;
    for (const FileEdit::Insertion& i : record.insertions) {
        const size_t insertedAt = static_cast<size_t>(i.at + static_cast<int64_t>(shift));
        std::memcpy(out.data() + to, restored.data() + from, insertedAt - from);
        to += insertedAt - from;
        from = insertedAt + i.bytes.size();
        shift += i.bytes.size();
    }
    std::memcpy(out.data() + to, restored.data() + from, restored.size() - from);
    return out;
}

ByteBuffer Redone(std::span<const uint8_t> before, const EditRecord& record) {
    RequireFits(record);
    if (before.size() != record.oldLength) {
        Unfit();
    }
    FileEdit edit;
    edit.insertions = record.insertions;
    ByteBuffer out = Materialize(before, edit);
    for (const EditRecord::Change& c : record.changes) {
        std::memcpy(out.data() + c.at, c.after.data(), c.after.size());
    }
    return out;
}

} // namespace pelmar
