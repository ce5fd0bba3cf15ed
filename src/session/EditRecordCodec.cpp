// The history's records on disk: "PELMARH1", then every field in order; numbers are 64-bit
// little-endian words, byte strings their length followed by their bytes.

#include "platform/Error.h"
#include "session/EditRecord.h"

#include <cstring>

namespace pelmar {

namespace {

constexpr char kMagic[8] = {'P', 'E', 'L', 'M', 'A', 'R', 'H', '1'};

class Writer {
public:
    void Number(uint64_t v) {
        for (int i = 0; i < 8; ++i) {
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
    }
    void Bytes(std::span<const uint8_t> b) {
        Number(b.size());
        out.insert(out.end(), b.begin(), b.end());
    }
    void Identity(const FileIdentity& id) {
        for (uint64_t v : {id.device, id.inode, id.size, static_cast<uint64_t>(id.modifiedNs),
                           id.links}) {
            Number(v);
        }
    }
    std::vector<uint8_t> out;
};

class Reader {
public:
    explicit Reader(std::span<const uint8_t> in) : in_(in) {}
    uint64_t Number() {
        Need(8);
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i) {
            v = (v << 8) | in_[at_ + static_cast<size_t>(i)];
        }
        at_ += 8;
        return v;
    }
    std::vector<uint8_t> Bytes() {
        const uint64_t n = Number();
        Need(n);
        std::vector<uint8_t> b(in_.begin() + static_cast<long>(at_),
                               in_.begin() + static_cast<long>(at_ + n));
        at_ += static_cast<size_t>(n);
        return b;
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

} // namespace

std::vector<uint8_t> EncodeRecord(const EditRecord& r) {
    Writer w;
    w.out.assign(kMagic, kMagic + sizeof kMagic);
    w.Bytes({reinterpret_cast<const uint8_t*>(r.description.data()), r.description.size()});
    w.Identity(r.before);
    w.Identity(r.after);
    w.Number(r.oldLength);
    w.Number(r.newLength);
    w.Number(r.insertions.size());
    for (const FileEdit::Insertion& i : r.insertions) {
        w.Number(static_cast<uint64_t>(i.at));
        w.Bytes(i.bytes);
    }
    w.Number(r.changes.size());
    for (const EditRecord::Change& c : r.changes) {
        w.Number(c.at);
        w.Number(c.length);
    }
    w.Bytes(r.beforeBytes);
    w.Bytes(r.afterBytes);
    return std::move(w.out);
}

EditRecord DecodeRecord(std::span<const uint8_t> bytes) {
    Reader r(bytes);
    r.Need(sizeof kMagic);
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        throw PelmarError(ErrorKind::Io, "a history record is damaged");
    }
    r = Reader(bytes.subspan(sizeof kMagic));
    EditRecord rec;
    const std::vector<uint8_t> description = r.Bytes();
    rec.description.assign(description.begin(), description.end());
    rec.before = r.Identity();
    rec.after = r.Identity();
    rec.oldLength = r.Number();
    rec.newLength = r.Number();
    for (uint64_t n = r.Number(); n > 0; --n) {
        const auto at = static_cast<int64_t>(r.Number());
        rec.insertions.push_back({at, r.Bytes()});
    }
    for (uint64_t n = r.Number(); n > 0; --n) {
        EditRecord::Change c;
        c.at = r.Number();
        c.length = r.Number();
        rec.changes.push_back(c);
    }
    rec.beforeBytes = r.Bytes();
    rec.afterBytes = r.Bytes();
    return rec;
}

} // namespace pelmar
