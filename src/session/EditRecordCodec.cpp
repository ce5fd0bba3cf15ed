// The history's records on disk: "PELMARH4", then every field in order; numbers are unsigned
// LEB128 (seven bits a byte, low first: most are small), byte strings their length followed by
// their bytes. Records of the earlier "PELMARH3" differ only in their moved-word bitmaps (a byte
// string of 64-bit words, low byte first) and are still read, so that edits made before stay
// undoable.

#include "platform/Error.h"
#include "platform/Words.h"
#include "session/EditRecord.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pelmar {

namespace {

constexpr char kMagic[8] = {'P', 'E', 'L', 'M', 'A', 'R', 'H', '4'};
constexpr char kPackedBitsVersion = '3';

// The format version of a record starting with `head`: '4' or '3', or 0 when it is neither.
char VersionOf(std::span<const uint8_t> head) {
    if (head.size() < sizeof kMagic || std::memcmp(head.data(), kMagic, sizeof kMagic - 1) != 0) {
        return 0;
    }
    const char version = static_cast<char>(head[sizeof kMagic - 1]);
    return version == kMagic[sizeof kMagic - 1] || version == kPackedBitsVersion ? version : 0;
}

class Writer {
public:
    explicit Writer(size_t expected) : out_(expected) {}
    void Number(uint64_t v) {
        Room(10);
        for (; v >= 0x80; v >>= 7) {
            out_[used_++] = static_cast<uint8_t>(v | 0x80);
        }
        out_[used_++] = static_cast<uint8_t>(v);
    }
    void Bytes(std::span<const uint8_t> b) {
        Number(b.size());
        Raw(b);
    }
    void Raw(std::span<const uint8_t> b) {
        Room(b.size());
        std::copy(b.begin(), b.end(), out_.begin() + static_cast<long>(used_));
        used_ += b.size();
    }
    // A bitmap: its length in words, then the position of each set bit as its distance from the
    // one after the bit before, then the distance to the end of the bitmap. Relocation by value
    // of a large map moves a few of its millions of words.
    void Bits(std::span<const uint64_t> bits) {
        Number(bits.size());
        uint64_t next = 0;
        for (size_t i = 0; i < bits.size(); ++i) {
            for (uint64_t word = bits[i]; word != 0; word &= word - 1) {
                const uint64_t at = 64 * i + static_cast<uint64_t>(std::countr_zero(word));
                Number(at - next);
                next = at + 1;
            }
        }
        Number(64 * bits.size() - next);
    }
    void Identity(const FileIdentity& id) {
        for (uint64_t v :
             {id.device, id.inode, id.size, static_cast<uint64_t>(id.modifiedNs), id.links}) {
            Number(v);
        }
    }
    std::vector<uint8_t> Take() {
        out_.resize(used_);
        return std::move(out_);
    }

private:
    void Room(size_t n) {
        if (out_.size() - used_ < n) {
            out_.resize(std::max(2 * out_.size(), used_ + n));
        }
    }

    std::vector<uint8_t> out_;
    size_t used_ = 0;
};

class Reader {
public:
    explicit Reader(std::span<const uint8_t> in) : in_(in) {}
    uint64_t Number() {
        uint64_t v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            Need(1);
            const uint8_t b = in_[at_++];
            v |= static_cast<uint64_t>(b & 0x7F) << shift;
            if ((b & 0x80) == 0) {
                return v;
            }
        }
        throw PelmarError(ErrorKind::Io, "a history record is damaged");
    }
    std::vector<uint8_t> Bytes() {
        const uint64_t n = Number();
        Need(n);
        std::vector<uint8_t> b(in_.begin() + static_cast<long>(at_),
                               in_.begin() + static_cast<long>(at_ + n));
        at_ += static_cast<size_t>(n);
        return b;
    }
    // Up to `n` of the bytes that follow, as text.
    std::string Prefix(uint64_t n) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(n, in_.size() - at_));
        std::string text(in_.begin() + static_cast<long>(at_),
                         in_.begin() + static_cast<long>(at_ + take));
        at_ += take;
        return text;
    }
    FileIdentity Identity() {
        FileIdentity id;
        id.device = Number();
        id.inode = Number();
        id.size = Number();
        id.modifiedNs = static_cast<int64_t>(Number());
        id.links = Number();
        return id;
    }
    void Need(uint64_t n) const {
        if (n > in_.size() - at_) {
            throw PelmarError(ErrorKind::Io, "a history record is damaged");
        }
    }

private:
    std::span<const uint8_t> in_;
    size_t at_ = 0;
};

void WriteOp(Writer& w, const FileEdit::Op& op) {
    w.Number(static_cast<uint64_t>(op.kind));
    w.Number(static_cast<uint64_t>(op.at));
    w.Number(static_cast<uint32_t>(op.amount));
    w.Number(static_cast<uint64_t>(op.run.start));
    w.Number(static_cast<uint64_t>(op.run.count));
    w.Number(static_cast<uint32_t>(op.values.bias));
    w.Number(static_cast<uint32_t>(op.values.low));
    w.Number(static_cast<uint64_t>(op.values.high));
    w.Bytes(op.bytes);
}

FileEdit::Op ReadOp(Reader& r) {
    FileEdit::Op op;
    const uint64_t kind = r.Number();
    if (kind > static_cast<uint64_t>(FileEdit::OpKind::ShiftWords)) {
        throw PelmarError(ErrorKind::Io, "a history record is damaged");
    }
    op.kind = static_cast<FileEdit::OpKind>(kind);
    op.at = static_cast<int64_t>(r.Number());
    op.amount = static_cast<int32_t>(static_cast<uint32_t>(r.Number()));
    op.run.start = static_cast<int64_t>(r.Number());
    op.run.count = static_cast<int64_t>(r.Number());
    op.values.bias = static_cast<int32_t>(static_cast<uint32_t>(r.Number()));
    op.values.low = static_cast<int32_t>(static_cast<uint32_t>(r.Number()));
    op.values.high = static_cast<int64_t>(r.Number());
    op.bytes = r.Bytes();
    return op;
}

// Reads what Writer::Bits wrote. A map's words number at most 2^30.
std::vector<uint64_t> ReadBits(Reader& r) {
    const uint64_t words = r.Number();
    if (words > (uint64_t{1} << 24)) {
        throw PelmarError(ErrorKind::Io, "a history record is damaged");
    }
    std::vector<uint64_t> bits(static_cast<size_t>(words));
    const uint64_t end = 64 * words;
    for (uint64_t next = 0;;) {
        const uint64_t gap = r.Number();
        if (gap > end - next) {
            throw PelmarError(ErrorKind::Io, "a history record is damaged");
        }
        const uint64_t at = next + gap;
        if (at == end) {
            return bits;
        }
        bits[static_cast<size_t>(at / 64)] |= uint64_t{1} << (at % 64);
        next = at + 1;
    }
}

// Reads a bitmap of a "PELMARH3" record.
std::vector<uint64_t> ReadPackedBits(Reader& r) {
    const std::vector<uint8_t> bytes = r.Bytes();
    std::vector<uint64_t> bits(bytes.size() / 8);
    for (size_t i = 0; i < bits.size(); ++i) {
        const uint8_t* word = bytes.data() + 8 * i;
        bits[i] = LoadU32(word) | uint64_t{LoadU32(word + 4)} << 32;
    }
    return bits;
}

// Checks that the record's insertions fit its lengths, so that undoing and redoing it stay in
// bounds (ReadTrace has checked each operation's part of the trace).
void RequireConsistent(const EditRecord& rec) {
    uint64_t inserted = 0;
    int64_t last = 0;
    bool sound = true;
    for (const FileEdit::Insertion& i : rec.edit.insertions) {
        sound = sound && i.at >= last && static_cast<uint64_t>(i.at) <= rec.oldLength;
        last = i.at;
        inserted += i.bytes.size();
    }
    if (!sound || rec.oldLength + inserted != rec.newLength) {
        throw PelmarError(ErrorKind::Io, "a history record does not fit its map");
    }
}

// Reads the part of the trace that follows operation `op` (the bytes it replaced, the words it
// moved) onto the record's trace; other kinds of operation have empty parts.
void ReadTrace(Reader& r, char version, const FileEdit::Op& op, EditTrace& trace) {
    const std::vector<uint8_t> before = r.Bytes();
    const std::vector<uint64_t> moved =
        version == kPackedBitsVersion ? ReadPackedBits(r) : ReadBits(r);
    if (op.kind == FileEdit::OpKind::SetBytes) {
        if (before.size() != ReplacedBytes(op)) {
            throw PelmarError(ErrorKind::Io, "a history record does not fit its map");
        }
        trace.setBefore.insert(trace.setBefore.end(), before.begin(), before.end());
    } else if (op.kind == FileEdit::OpKind::ShiftWords) {
        if (op.run.count < 0 || moved.size() < MovedWords(op)) {
            throw PelmarError(ErrorKind::Io, "a history record does not fit its map");
        }
        trace.moved.insert(trace.moved.end(), moved.begin(),
                           moved.begin() + static_cast<long>(MovedWords(op)));
    }
}

} // namespace

std::vector<uint8_t> EncodeRecord(const EditRecord& r) {
    // Room for the usual record at once: a few numbers per operation, and the bytes.
    size_t bytes = r.description.size() + r.trace.checksumBefore.size() + 256;
    for (const FileEdit::Insertion& i : r.edit.insertions) {
        bytes += i.bytes.size() + 16;
    }
    for (const FileEdit::Op& op : r.edit.ops) {
        bytes += 24 + 2 * op.bytes.size();
    }
    Writer w(bytes);
    w.Raw({reinterpret_cast<const uint8_t*>(kMagic), sizeof kMagic});
    w.Bytes({reinterpret_cast<const uint8_t*>(r.description.data()), r.description.size()});
    w.Identity(r.before);
    w.Identity(r.after);
    w.Number(r.oldLength);
    w.Number(r.newLength);
    w.Number(static_cast<uint64_t>(r.edit.checksum));
    w.Number(r.edit.insertions.size());
    for (const FileEdit::Insertion& i : r.edit.insertions) {
        w.Number(static_cast<uint64_t>(i.at));
        w.Bytes(i.bytes);
    }
    w.Number(r.edit.ops.size());
    const std::span<const uint8_t> setBefore(r.trace.setBefore);
    const std::span<const uint64_t> moved(r.trace.moved);
    size_t setAt = 0;
    size_t movedAt = 0;
    for (const FileEdit::Op& op : r.edit.ops) {
        WriteOp(w, op);
        w.Bytes(setBefore.subspan(setAt, ReplacedBytes(op)));
        w.Bits(moved.subspan(movedAt, MovedWords(op)));
        setAt += ReplacedBytes(op);
        movedAt += MovedWords(op);
    }
    w.Bytes(r.trace.checksumBefore);
    return w.Take();
}

std::optional<std::string> RecordDescription(std::span<const uint8_t> head) {
    if (VersionOf(head) == 0) {
        return std::nullopt;
    }
    Reader r(head.subspan(sizeof kMagic));
    try {
        // A description longer than `head` (a tag name can be long) is shown cut short.
        return r.Prefix(r.Number());
    } catch (const PelmarError&) {
        return std::nullopt;
    }
}

EditRecord DecodeRecord(std::span<const uint8_t> bytes) {
    const char version = VersionOf(bytes);
    if (version == 0) {
        throw PelmarError(ErrorKind::Io, "a history record is damaged");
    }
    Reader r(bytes.subspan(sizeof kMagic));
    EditRecord rec;
    const std::vector<uint8_t> description = r.Bytes();
    rec.description.assign(description.begin(), description.end());
    rec.before = r.Identity();
    rec.after = r.Identity();
    rec.oldLength = r.Number();
    rec.newLength = r.Number();
    rec.edit.checksum = r.Number() != 0 ? FileEdit::Checksum::Recompute : FileEdit::Checksum::Keep;
    for (uint64_t n = r.Number(); n > 0; --n) {
        const auto at = static_cast<int64_t>(r.Number());
        rec.edit.insertions.push_back({at, r.Bytes()});
    }
    for (uint64_t n = r.Number(); n > 0; --n) {
        rec.edit.ops.push_back(ReadOp(r));
        ReadTrace(r, version, rec.edit.ops.back(), rec.trace);
    }
    rec.trace.checksumBefore = r.Bytes();
    RequireConsistent(rec);
    return rec;
}

} // namespace pelmar
