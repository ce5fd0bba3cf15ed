#include "mapbuilder/MapBuilder.h"

#include "map/HaloPcMap.h"
#include "map/MapLayout.h"
#include "platform/Error.h"
#include "platform/Int32.h"
#include "platform/Words.h"

#include <algorithm>
#include <string>

namespace pelmar::builder {

Block& Block::SetWord(size_t offset, uint32_t value) {
    if (bytes.size() < offset + 4) {
        bytes.resize(offset + 4, 0);
    }
    StoreU32(bytes.data() + offset, value);
    return *this;
}

namespace {

class Layouter {
public:
    explicit Layouter(const MapSpec& blueprint) : spec_(blueprint) {}

    BuiltMap Build() {
        using namespace layout;
        const size_t count = spec_.tags.size();
        out_.indexOffset = spec_.headerSize;
        out_.tagOffset = spec_.headerSize + static_cast<int32_t>(kIndexHeaderSize);
        out_.magic = SubWrap(spec_.mapMagic, out_.tagOffset);
        bytes().assign(static_cast<size_t>(out_.tagOffset) + count * kEntrySize, 0);
        WriteHeader(count);
        for (const TagSpec& tag : spec_.tags) {
            BuiltTag built;
            built.nameOffset = Here();
            bytes().insert(bytes().end(), tag.name.begin(), tag.name.end());
            bytes().push_back(0);
            out_.tags.push_back(built);
        }
        // Tag data starts on a 4-byte boundary, as the words inside it are laid out.
        bytes().resize((bytes().size() + 3) & ~size_t{3}, 0);
        for (size_t i = 0; i < count; ++i) {
            const TagSpec& tag = spec_.tags[i];
            BuiltTag& built = out_.tags[i];
            built.offset = Here();
            EmitBlock(tag.data, Reserve(tag.data.bytes.size()));
            built.size = Here() - built.offset;
            if (tag.endAddressWord) {
                Store(built.offset + *tag.endAddressWord, Address(Here()));
            }
            WriteEntry(i, tag, built);
        }
        return std::move(out_);
    }

private:
    std::vector<uint8_t>& bytes() { return out_.bytes; }
    // The current end of the map as a file offset; a map's offsets are signed 32-bit.
    int32_t Here() {
        if (bytes().size() > layout::kMaxMapFileSize) {
            throw PelmarError(ErrorKind::Limit, "map builder: the map would be larger than " +
                                                    std::to_string(layout::kMaxMapFileSize) +
                                                    " bytes");
        }
        return static_cast<int32_t>(bytes().size());
    }
    int32_t Address(int32_t offset) const { return AddWrap(offset, out_.magic); }
    void Store(int64_t offset, int32_t value) {
        if (!WordFits(offset, bytes().size())) {
            throw PelmarError(ErrorKind::Limit, "map builder: a word to store lies outside the map",
                              offset);
        }
        StoreI32(bytes().data() + offset, value);
    }

    size_t Reserve(size_t size) {
        size_t at = bytes().size();
        bytes().resize(at + size, 0);
        return at;
    }

    void WriteHeader(size_t count) {
        using namespace layout;
        std::copy(spec_.signature.begin(),
                  spec_.signature.begin() + std::min<size_t>(spec_.signature.size(), 4),
                  bytes().begin());
        const bool daeh = IsDaehSignature(spec_.signature);
        Store(daeh ? kIndexOffsetField : kAlternateIndexOffsetField, out_.indexOffset);
        Store(out_.indexOffset, spec_.mapMagic);
        Store(out_.indexOffset + kIndexTagCountField, static_cast<int32_t>(count));
    }

    void WriteEntry(size_t i, const TagSpec& tag, const BuiltTag& built) {
        using namespace layout;
        const int64_t e = out_.tagOffset + kEntrySize * static_cast<int64_t>(i);
        // A code shorter than four characters is padded with spaces before it is reversed,
        // so that the loader reads it back padded at the end ("ab" -> "ab  ").
        auto code = [&](int64_t at, const std::string& text) {
            std::string padded = text.substr(0, 4);
            padded.resize(4, ' ');
            const std::string stored = HaloPcMap::Reverse(padded);
            std::copy(stored.begin(), stored.end(), bytes().begin() + at);
        };
        code(e, tag.class1);
        code(e + 4, tag.class2);
        code(e + 8, tag.class3);
        Store(e + kEntryIdentField, static_cast<int32_t>(tag.ident));
        Store(e + kEntryNameAddressField, Address(built.nameOffset));
        Store(e + kEntryDataAddressField, Address(built.offset));
    }

    // Writes `block` at `at` (already reserved) and appends its struct arrays, depth first.
    void EmitBlock(const Block& block, size_t at) {
        std::copy(block.bytes.begin(), block.bytes.end(), bytes().begin() + static_cast<long>(at));
        for (const Reflexive& ref : block.refs) {
            const size_t first = Reserve(ref.chunks.size() * static_cast<size_t>(ref.chunkSize));
            const int64_t field = static_cast<int64_t>(at) + ref.offset;
            Store(field, static_cast<int32_t>(ref.chunks.size()));
            Store(field + 4, ref.chunks.empty() ? 0 : Address(static_cast<int32_t>(first)));
            for (size_t k = 0; k < ref.chunks.size(); ++k) {
                if (ref.chunks[k].bytes.size() > static_cast<size_t>(ref.chunkSize)) {
                    throw PelmarError(ErrorKind::Limit,
                                      "map builder: a chunk is larger than its struct's size");
                }
                EmitBlock(ref.chunks[k], first + k * static_cast<size_t>(ref.chunkSize));
            }
        }
    }

    const MapSpec& spec_;
    BuiltMap out_;
};

} // namespace

BuiltMap BuildMap(const MapSpec& blueprint) {
    if (blueprint.headerSize < (layout::IsDaehSignature(blueprint.signature) ? 20 : 1520)) {
        throw PelmarError(ErrorKind::Limit,
                          "map builder: the header is too small for its index offset field");
    }
    return Layouter(blueprint).Build();
}

} // namespace pelmar::builder
