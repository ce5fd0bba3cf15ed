#include "structview/ChunkExpansion.h"

#include "platform/FileReader.h"
#include "platform/Int32.h"
#include "structview/ChunkOffsets.h"
#include "structview/ChunkPath.h"
#include "structview/TextValues.h"

#include <algorithm>
#include <cstdint>

namespace pelmar {

namespace {

// Chunks are addressed by signed 32-bit file offsets, so none lies beyond this.
constexpr int64_t kAddressableEnd = 0x7FFFFFFF;

struct StructElement {
    pugi::xml_node node;
    std::string_view name;
    std::string key; // its struct key
    int64_t referenceAt = 0;
};

StructElement Describe(pugi::xml_node c, const std::string& parentKey, int32_t base) {
    StructElement s{c, GetAttribute(c, "name"), parentKey, 0};
    s.key += '>';
    s.key += s.name;
    s.referenceAt = int64_t{base} + Val(GetAttribute(c, "offset"));
    return s;
}

int32_t ReadCount(const Expansion& e, const StructElement& s) {
    return ReadMapWord(e.file, s.referenceAt, "the count of struct \"" + s.key + "\"");
}

// True when a chunk of `size` bytes at `start` lies inside the file.
bool ChunkInside(int64_t start, int64_t size, const FileReader& file) {
    const int64_t end = std::min<int64_t>(static_cast<int64_t>(file.Length()), kAddressableEnd);
    return start >= 0 && start <= end - std::max<int64_t>(size, 0);
}

// How many chunks of `size` bytes from `first` on lie inside the file, at most; for room.
size_t ChunksThatFit(int64_t first, int64_t size, const FileReader& file) {
    const int64_t end = std::min<int64_t>(static_cast<int64_t>(file.Length()), kAddressableEnd);
    if (first < 0 || first > end) {
        return 0;
    }
    if (size == 0) {
        return SIZE_MAX;
    }
    return static_cast<size_t>(size > 0 ? (end - first) / size : first / -size + 1);
}

ChunkRow LeftOutRow(int64_t leftOut, bool afterListed, const std::string& reason) {
    std::string text = "... " + Grouped(leftOut) + (afterListed ? " more " : " ") +
                       (leftOut == 1 ? "chunk" : "chunks") + " left out: " + reason;
    return ChunkRow{std::move(text), std::string(kLeftOutRowTag), RowKind::LeftOut, false, {}};
}

// Appends the rows of chunks 1 to `count` of struct `s`, whose chunk 1 is at file offset
// `first`, as far as they lie inside the file and `budget` lasts.
void AppendChunkRows(const Expansion& e, const StructElement& s, std::string_view blockPath,
                     int32_t count, int32_t first, size_t& budget, std::vector<ChunkRow>& rows) {
    const int64_t size = Val(GetAttribute(s.node, "size"));
    const bool folder = StructsCheck(s.node);
    const std::string textStart = std::string(s.name) + " : ";
    const std::string pathStart = ChunkPathStart(blockPath, s.name);
    rows.reserve(rows.size() + std::min({static_cast<size_t>(count), budget,
                                         ChunksThatFit(first, size, e.file)}));
    int32_t listed = 0;
    int64_t start = first;
    for (; listed < count && budget > 0 && ChunkInside(start, size, e.file); ++listed) {
        const std::string k = std::to_string(listed + 1);
        const int32_t offset = AddWrap(first, MulWrap(WrapToInt32(size), listed));
        rows.push_back(ChunkRow{textStart + k, pathStart + k, RowKind::Chunk, folder, offset});
        start += size;
        --budget;
    }
    if (listed == count) {
        return;
    }
    const std::string reason =
        ChunkInside(start, size, e.file)
            ? "at most " + Grouped(static_cast<int64_t>(e.rowLimit)) + " rows per expansion"
            : "chunk " + Grouped(int64_t{listed} + 1) + " does not lie inside the file";
    rows.push_back(LeftOutRow(int64_t{count} - listed, listed > 0, reason));
}

} // namespace

std::vector<ChunkRow> ExpandBlockRow(const Expansion& e, std::string_view path) {
    const std::string key = StructKey(e.tagClass, path);
    const pugi::xml_node node = e.registry.Lookup(key);
    const int32_t base = ResolveChunkPath(e.registry, e.file, e.magic, path, e.tagOffset);
    std::vector<ChunkRow> rows;
    for (pugi::xml_node c : node.children()) {
        if (!IsStructElement(c)) {
            continue;
        }
        const StructElement s = Describe(c, key, base);
        if (ReadCount(e, s) > 0) {
            rows.push_back(ChunkRow{
                std::string(s.name), StructRowTag(path, s.name), RowKind::Struct, true, {}});
            e.registry.Register(s.key, c);
        }
    }
    return rows;
}

std::vector<ChunkRow> ExpandStructRow(const Expansion& e, std::string_view rowTag) {
    const auto [blockPath, want] = SplitStructRowTag(rowTag);
    const std::string key = StructKey(e.tagClass, rowTag);
    const pugi::xml_node node = e.registry.Lookup(key);
    const int32_t base = ResolveChunkPath(e.registry, e.file, e.magic, blockPath, e.tagOffset);
    std::vector<ChunkRow> rows;
    size_t budget = e.rowLimit;
    for (pugi::xml_node c : node.children()) {
        if (!IsStructElement(c) || !SameText(GetAttribute(c, "name"), want)) {
            continue;
        }
        const StructElement s = Describe(c, key, base);
        const int32_t count = ReadCount(e, s);
        if (count <= 0) {
            continue;
        }
        const int32_t pointer =
            ReadMapWord(e.file, s.referenceAt + 4, "the pointer of struct \"" + s.key + "\"");
        e.registry.Register(s.key, c);
        AppendChunkRows(e, s, blockPath, count, SubWrap(pointer, e.magic), budget, rows);
    }
    return rows;
}

} // namespace pelmar
