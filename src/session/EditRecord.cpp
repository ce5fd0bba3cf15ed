#include "session/EditRecord.h"

#include "map/MapLayout.h"
#include "platform/Error.h"

#include <algorithm>
#include <cstring>

namespace pelmar {

namespace {

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
    uint64_t total = 0;
    for (const EditRecord::Change& c : record.changes) {
        if (c.at + c.length > record.newLength || c.at + c.length < c.at) {
            Unfit();
        }
        total += c.length;
    }
    if (total != record.beforeBytes.size() || total != record.afterBytes.size()) {
        Unfit();
    }
}

} // namespace

void EditRecord::AddChange(uint64_t at, std::span<const uint8_t> was,
                           std::span<const uint8_t> becomes) {
    changes.push_back({at, was.size()});
    beforeBytes.insert(beforeBytes.end(), was.begin(), was.end());
    afterBytes.insert(afterBytes.end(), becomes.begin(), becomes.end());
}

uint64_t EditRecord::Weight() const {
    uint64_t weight = 256 + beforeBytes.size() + afterBytes.size() + 16 * changes.size();
    for (const FileEdit::Insertion& i : insertions) {
        weight += i.bytes.size() + 16;
    }
    return weight;
}

ByteBuffer Undone(std::span<const uint8_t> after, const EditRecord& record) {
    RequireFits(record);
    if (after.size() != record.newLength) {
        Unfit();
    }
    std::vector<uint8_t> restored(after.begin(), after.end());
    record.ForEachChange([&](uint64_t at, std::span<const uint8_t> before, std::span<const uint8_t>) {
        std::memcpy(restored.data() + at, before.data(), before.size());
    });
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
    record.ForEachChange([&](uint64_t at, std::span<const uint8_t>, std::span<const uint8_t> after) {
        std::memcpy(out.data() + at, after.data(), after.size());
    });
    return out;
}

} // namespace pelmar
