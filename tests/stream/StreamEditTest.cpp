// Edits streamed block by block give the same bytes as the whole file computed at once, and
// their traces undo them exactly, whatever falls across a block boundary.

#include "map/StreamEdit.h"
#include "platform/ByteSource.h"
#include "platform/Error.h"
#include "platform/Int32.h"
#include "platform/Words.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace pelmar {
namespace {

class VectorSink : public ByteSink {
public:
    void Append(std::span<const uint8_t> bytes) override {
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    void Overwrite(uint64_t at, std::span<const uint8_t> bytes) override {
        std::memcpy(out.data() + at, bytes.data(), bytes.size());
    }
    std::vector<uint8_t> out;
};

std::vector<uint8_t> Streamed(std::span<const uint8_t> old, const FileEdit& edit, size_t block,
                              EditTrace* trace = nullptr) {
    VectorSink sink;
    StreamControl control;
    control.blockSize = block;
    control.trace = trace;
    StreamEdit(old, edit, sink, control);
    return sink.out;
}

// 40 KiB of words, a quarter of them addresses that an insertion moves.
std::vector<uint8_t> OldFile() {
    std::vector<uint8_t> bytes(40 * 1024);
    std::mt19937 random(7);
    for (size_t at = 0; at + 4 <= bytes.size(); at += 2) {
        StoreU32(bytes.data() + at, random() % 4 == 0 ? 0x40440000u + random() % 0x8000 : random());
    }
    return bytes;
}

TEST(StreamEdit, BlocksGiveTheWholeFileAndUndoExactly) {
    const std::vector<uint8_t> old = OldFile();
    const MovedValues moved = MovedAddresses(4090, 0x40440000 - 0x100, old.size());
    struct Case {
        const char* name;
        FileEdit edit;
    };
    std::vector<Case> cases;
    for (const int64_t insertAt : {4094, 8192, 12290}) { // around block boundaries
        FileEdit edit;
        edit.Insert(insertAt, std::vector<uint8_t>(38, 0xAB));
        const auto length = static_cast<int64_t>(old.size() + 38);
        edit.Shift(WordsEndingBy(0, 20000, static_cast<size_t>(length)), moved, 38);      // grid 0
        edit.Shift(WordsEndingBy(20002, length, static_cast<size_t>(length)), moved, 38); // grid 2
        edit.AddWord(8190, 5);   // across the 8 KiB boundary, on grid 2
        edit.SetWord(4094, 77);  // across the 4 KiB boundary
        edit.AddWord(16380, -9); // the last word before a boundary
        cases.push_back({"streamable", edit});
    }
    FileEdit overlapping; // runs on two grids over the same bytes: one pass over the whole file
    overlapping.Insert(100, std::vector<uint8_t>(6, 1));
    overlapping.Shift(WordsEndingBy(0, 30000, old.size() + 6), moved, 6);
    overlapping.Shift(WordsEndingBy(10002, 20000, old.size() + 6), moved, 6);
    cases.push_back({"overlapping grids", overlapping});
    // Across the boundary at 12288: the word on grid 0 before it moves, which carries into the
    // word on grid 2 that straddles the boundary and brings it into the moved range.
    std::vector<uint8_t> chained(old.size(), 0);
    StoreU32(chained.data() + 12284, 0x00305678); // moved: its byte 12286 becomes 0x31
    StoreU32(chained.data() + 12288, 0x70000020); // the grid-2 word reads 0x00200030, then ...31
    FileEdit carry;
    const MovedValues range{0, 0x00200031, 0x00400000};
    carry.Shift(WordRun{12280, 3}, range, 0x10000);
    carry.Shift(WordRun{12286, 1}, range, 0x10000);
    cases.push_back({"a carry across a block boundary", carry});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t>& file = c.edit.insertions.empty() ? chained : old;
        const ByteBuffer whole = Materialize(file, c.edit);
        const std::vector<uint8_t> expected(whole.data(), whole.data() + whole.size());
        for (const size_t block : {size_t{4096}, size_t{8192}, size_t{1} << 20}) {
            EditTrace trace;
            const std::vector<uint8_t> streamed = Streamed(file, c.edit, block, &trace);
            ASSERT_EQ(streamed, expected) << "blocks of " << block;
            VectorSink undone;
            StreamControl control;
            control.blockSize = block;
            StreamUndo(streamed, c.edit, trace, undone, control);
            EXPECT_EQ(undone.out, file) << "undo in blocks of " << block;
        }
    }
}

TEST(StreamEdit, ReadEditedIsTheStreamedFile) {
    const std::vector<uint8_t> old = OldFile();
    FileEdit edit;
    edit.Insert(5000, {1, 2, 3});
    edit.Shift(WordsEndingBy(0, static_cast<int64_t>(old.size()) + 3, old.size() + 3),
               MovedAddresses(5000, 0x40440000 - 0x100, old.size() + 3), 3);
    edit.AddWord(4100, 5);   // the second word after a boundary
    edit.SetWord(8190, 77);  // across one
    edit.AddWord(12284, -9); // the last word before one
    const std::vector<uint8_t> streamed = Streamed(old, edit, 4096);
    for (const int64_t at : {0, 4094, 4999, 5001, 8187, 12283, 40000}) {
        uint8_t bytes[7];
        ReadEdited(SpanSource(old), edit, at, bytes, 4096);
        EXPECT_EQ(std::memcmp(bytes, streamed.data() + at, sizeof bytes), 0) << at;
    }
}

// The old file found cut short while the second thread reads a block fails the edit.
TEST(StreamEdit, AFailureOnTheSecondThreadFailsTheStream) {
    class CutShort : public SpanSource {
    public:
        using SpanSource::SpanSource;
        void Read(uint64_t at, std::span<uint8_t> out) const override {
            if (at + out.size() > 8192) {
                throw PelmarError(ErrorKind::Stale, "the file was cut short");
            }
            SpanSource::Read(at, out);
        }
    };
    const std::vector<uint8_t> old = OldFile();
    FileEdit edit;
    edit.Insert(5000, {1, 2, 3, 4});
    VectorSink sink;
    StreamControl control;
    control.blockSize = 4096;
    try {
        StreamEdit(CutShort(old), edit, sink, control);
        ADD_FAILURE() << "the stream went on";
    } catch (const PelmarError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Stale);
    }
    EXPECT_LE(sink.out.size(), 8192u); // nothing past what could be read
}

} // namespace
} // namespace pelmar
