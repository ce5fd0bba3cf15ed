#include "map/FileEdit.h"

#include "map/StreamEdit.h"
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
    Op& op = ops.emplace_back(); // built in place: a relocation adds tens of thousands
    op.kind = OpKind::AddWord;
    op.at = at;
    op.amount = amount;
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

// Collects the streamed bytes in one buffer.
class MemorySink : public ByteSink {
public:
    explicit MemorySink(ByteBuffer& out) : out_(out) {}
    void Append(std::span<const uint8_t> bytes) override {
        std::memcpy(out_.data() + at_, bytes.data(), bytes.size());
        at_ += bytes.size();
    }
    void Overwrite(uint64_t at, std::span<const uint8_t> bytes) override {
        std::memcpy(out_.data() + at, bytes.data(), bytes.size());
    }

private:
    ByteBuffer& out_;
    size_t at_ = 0;
};

} // namespace

ByteBuffer Materialize(std::span<const uint8_t> old, const FileEdit& edit) {
    ByteBuffer out(old.size() + edit.InsertedBytes());
    MemorySink sink(out);
    StreamEdit(old, edit, sink);
    return out;
}

} // namespace pelmar
