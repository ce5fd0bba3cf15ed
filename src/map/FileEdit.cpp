#include "map/FileEdit.h"

#include "map/MapChecksum.h"
#include "map/MapLayout.h"
#include "platform/Error.h"
#include "platform/Int32.h"
#include "platform/Words.h"

#include <algorithm>
#include <cstring>

namespace pelmar {

void FileEdit::Insert(int64_t at, std::vector<uint8_t> bytes) {
    const auto pos = std::upper_bound(insertions.begin(), insertions.end(), at,
                                      [](int64_t a, const Insertion& i) { return a < i.at; });
    insertions.insert(pos, Insertion{at, std::move(bytes)});
}

void FileEdit::SetWord(int64_t at, int32_t value) {
    Op op;
    op.kind = OpKind::SetBytes;
    op.at = at;
    op.bytes.resize(4);
    StoreI32(op.bytes.data(), value);
    ops.push_back(std::move(op));
}

void FileEdit::AddWord(int64_t at, int32_t amount) {
    Op op;
    op.kind = OpKind::AddWord;
    op.at = at;
    op.amount = amount;
    ops.push_back(std::move(op));
}

void FileEdit::Shift(WordRun run, const MovedValues& values, int32_t amount) {
    if (run.count <= 0) {
        return;
    }
    Op op;
    op.kind = OpKind::ShiftWords;
    op.run = run;
    op.values = values;
    op.amount = amount;
    ops.push_back(std::move(op));
}

uint64_t FileEdit::InsertedBytes() const {
    uint64_t total = 0;
    for (const Insertion& i : insertions) {
        total += i.bytes.size();
    }
    return total;
}

int64_t FileEdit::NewPosition(int64_t old) const {
    int64_t moved = old;
    for (const Insertion& i : insertions) {
        if (i.at <= old) {
            moved += static_cast<int64_t>(i.bytes.size());
        }
    }
    return moved;
}

namespace {

void Require(bool inside, const char* what, int64_t at) {
    if (!inside) {
        throw PelmarError(ErrorKind::BadMap, std::string(what) + " lies outside the edited file",
                          at);
    }
}

void Apply(std::span<uint8_t> file, const FileEdit::Op& op) {
    switch (op.kind) {
    case FileEdit::OpKind::SetBytes:
        Require(RangeFits(op.at, static_cast<int64_t>(op.bytes.size()), file.size()),
                "a word to write", op.at);
        std::memcpy(file.data() + op.at, op.bytes.data(), op.bytes.size());
        return;
    case FileEdit::OpKind::AddWord:
        Require(WordFits(op.at, file.size()), "a word to move", op.at);
        StoreI32(file.data() + op.at, AddWrap(LoadI32(file.data() + op.at), op.amount));
        return;
    case FileEdit::OpKind::ShiftWords:
        Require(RangeFits(op.run.start, op.run.count * 4, file.size()), "a run of words to move",
                op.run.start);
        ShiftWords(file, op.run, op.values, op.amount);
        return;
    }
}

} // namespace

ByteBuffer Materialize(std::span<const uint8_t> old, const FileEdit& edit) {
    ByteBuffer out(old.size() + edit.InsertedBytes());
    uint8_t* to = out.data();
    int64_t from = 0;
    for (const FileEdit::Insertion& i : edit.insertions) {
        Require(i.at >= from && static_cast<uint64_t>(i.at) <= old.size(), "an insertion point",
                i.at);
        std::memcpy(to, old.data() + from, static_cast<size_t>(i.at - from));
        to += i.at - from;
        std::memcpy(to, i.bytes.data(), i.bytes.size());
        to += i.bytes.size();
        from = i.at;
    }
    std::memcpy(to, old.data() + from, old.size() - static_cast<size_t>(from));
    for (const FileEdit::Op& op : edit.ops) {
        Apply(out.span(), op);
    }
    if (edit.updateChecksum) {
        if (const std::optional<uint32_t> crc = ComputeChecksum(out.span())) {
            StoreU32(out.data() + layout::kHeaderCrcField, *crc);
        }
    }
    return out;
}

} // namespace pelmar
