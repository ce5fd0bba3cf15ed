#include "structview/ChunkTree.h"

#include "platform/Error.h"
#include "platform/Int32.h"
#include "platform/Words.h"
#include "structview/TextValues.h"

#include <algorithm>
#include <limits>

namespace pelmar {

namespace {

// Chunks are addressed by signed 32-bit file offsets, so none lies beyond this.
constexpr int64_t kAddressableEnd = std::numeric_limits<int32_t>::max();

std::optional<int32_t> CountIfReadable(const TreeView& view, int64_t at) {
    if (!WordFits(at, view.file.size())) {
        return std::nullopt;
    }
    return LoadI32(view.file.data() + at);
}

// The struct of `block` that a step named `name` goes into: of several with that name the
// last whose count is above 0, else the last.
const StructDef& StructNamed(const TreeView& view, const StructDef& block, int32_t base,
                             std::string_view name) {
    const StructDef* chosen = nullptr;
    const StructDef* last = nullptr;
    for (const StructDef& s : block.structs) {
        if (!SameText(s.name, name)) {
            continue;
        }
        last = &s;
        if (CountIfReadable(view, int64_t{base} + s.offset).value_or(0) > 0) {
            chosen = &s;
        }
    }
    if (last == nullptr) {
        throw PelmarError(ErrorKind::NotFound, "the plugin of class \"" + view.plugin.tagClass +
                                                   "\" has no struct \"" + std::string(name) +
                                                   "\" there");
    }
    return chosen != nullptr ? *chosen : *last;
}

bool ChunkInside(const TreeView& view, int64_t start, int64_t size) {
    const int64_t end = std::min<int64_t>(static_cast<int64_t>(view.file.size()), kAddressableEnd);
    return start >= 0 && size > 0 && start <= end - size;
}

ChunkRow LeftOutRow(const StructDef& s, int64_t leftOut, bool afterListed, LeftOutReason reason,
                    int64_t detail) {
    ChunkRow row;
    row.kind = RowKind::LeftOut;
    row.layout = &s;
    row.leftOut = leftOut;
    row.afterListed = afterListed;
    row.reason = reason;
    row.detail = detail;
    return row;
}

std::vector<ChunkRow> StructRows(const TreeView& view, const ChunkRow& row) {
    const SharedPath path = row.SharedBlockPath();
    const ResolvedBlock block = ResolveBlock(view, ToChunkPath(path));
    std::vector<ChunkRow> rows;
    for (const StructDef& s : block.layout->structs) {
        const int32_t count =
            ReadWord(view.file, int64_t{block.offset} + s.offset, "a struct's count");
        if (count > 0) {
            ChunkRow structRow;
            structRow.kind = RowKind::Struct;
            structRow.folder = true;
            structRow.block = path;
            structRow.layout = &s;
            rows.push_back(std::move(structRow));
        }
    }
    return rows;
}

// Appends the rows of chunks 1 to `count` of `s`, whose chunk 1 is at `first`, as far as they
// lie inside the file and `budget` lasts; then a LeftOut row for the rest.
void AppendChunkRows(const TreeView& view, const StructDef& s, const SharedPath& block,
                     int32_t count, int32_t first, size_t& budget, std::vector<ChunkRow>& rows) {
    int32_t listed = 0;
    int64_t start = first;
    rows.reserve(rows.size() + std::min<size_t>(static_cast<size_t>(count), budget));
    for (; listed < count && budget > 0 && ChunkInside(view, start, s.size); ++listed) {
        ChunkRow chunk;
        chunk.kind = RowKind::Chunk;
        chunk.folder = s.HasStructs();
        chunk.block = block;
        chunk.layout = &s;
        chunk.chunk = listed + 1;
        chunk.offset = AddWrap(first, MulWrap(WrapToInt32(s.size), listed));
        rows.push_back(std::move(chunk));
        start += s.size;
        --budget;
    }
    if (listed == count) {
        return;
    }
    const int64_t leftOut = int64_t{count} - listed;
    if (s.size <= 0) {
        rows.push_back(LeftOutRow(s, leftOut, false, LeftOutReason::SizeNotPositive, s.size));
    } else if (ChunkInside(view, start, s.size)) {
        rows.push_back(LeftOutRow(s, leftOut, listed > 0, LeftOutReason::RowLimit,
                                  static_cast<int64_t>(view.rowLimit)));
    } else {
        rows.push_back(
            LeftOutRow(s, leftOut, listed > 0, LeftOutReason::OutsideFile, int64_t{listed} + 1));
    }
}

std::vector<ChunkRow> ChunkRows(const TreeView& view, const ChunkRow& row) {
    const ResolvedBlock block = ResolveBlock(view, ToChunkPath(row.block));
    std::vector<ChunkRow> rows;
    size_t budget = view.rowLimit;
    for (const StructDef& s : block.layout->structs) {
        if (!SameText(s.name, row.layout->name)) {
            continue;
        }
        const int64_t at = int64_t{block.offset} + s.offset;
        const int32_t count = ReadWord(view.file, at, "a struct's count");
        if (count <= 0) {
            continue;
        }
        const int32_t pointer = ReadWord(view.file, at + 4, "a struct's pointer");
        AppendChunkRows(view, s, row.block, count, SubWrap(pointer, view.magic), budget, rows);
    }
    return rows;
}

} // namespace

std::string ChunkRow::Text() const {
    switch (kind) {
    case RowKind::Root:
        return "Main";
    case RowKind::Struct:
        return layout->name;
    case RowKind::Chunk:
        return layout->name + " : " + std::to_string(chunk);
    case RowKind::LeftOut:
        break;
    }
    std::string why;
    switch (reason) {
    case LeftOutReason::SizeNotPositive:
        why = "the struct's size is " + std::to_string(detail);
        break;
    case LeftOutReason::RowLimit:
        why = "at most " + Grouped(detail) + " rows per expansion";
        break;
    case LeftOutReason::OutsideFile:
        why = "chunk " + Grouped(detail) + " does not lie inside the file";
        break;
    }
    return "... " + Grouped(leftOut) + (afterListed ? " more " : " ") +
           (leftOut == 1 ? "chunk" : "chunks") + " left out: " + why;
}

SharedPath ChunkRow::SharedBlockPath() const {
    if (kind != RowKind::Chunk) {
        return block;
    }
    return std::make_shared<const PathNode>(PathNode{block, &layout->name, chunk});
}

ChunkPath ChunkRow::Path() const {
    ChunkPath path = ToChunkPath(block);
    if (kind == RowKind::Chunk) {
        path.steps.push_back({layout->name, chunk});
    }
    return path;
}

ChunkRow RootRow(const TreeView& view) {
    ChunkRow root;
    root.kind = RowKind::Root;
    root.folder = true;
    root.offset = view.tagOffset;
    return root;
}

std::vector<ChunkRow> ExpandRow(const TreeView& view, const ChunkRow& row) {
    switch (row.kind) {
    case RowKind::Root:
    case RowKind::Chunk:
        return StructRows(view, row);
    case RowKind::Struct:
        return ChunkRows(view, row);
    case RowKind::LeftOut:
        break;
    }
    return {};
}

ResolvedBlock ResolveBlock(const TreeView& view, const ChunkPath& path) {
    ResolvedBlock block{&view.plugin.root, view.tagOffset};
    for (const PathStep& step : path.steps) {
        const StructDef& s = StructNamed(view, *block.layout, block.offset, step.name);
        const int32_t pointer =
            ReadWord(view.file, int64_t{block.offset} + s.offset + 4, "a struct's pointer");
        const int32_t skip = MulWrap(WrapToInt32(s.size), WrapToInt32(step.chunk - 1));
        block = {&s, SubWrap(AddWrap(pointer, skip), view.magic)};
    }
    return block;
}

LocatedChunk LocateChunk(const TreeView& view, const ChunkPath& path) {
    if (path.IsRoot()) {
        throw PelmarError(ErrorKind::Refused,
                          "the row \"Main\" is the tag's own data, not a chunk of a struct");
    }
    const ResolvedBlock parent = ResolveBlock(view, path.Parent());
    const PathStep& last = path.steps.back();
    const StructDef& s = StructNamed(view, *parent.layout, parent.offset, last.name);
    LocatedChunk located;
    located.layout = &s;
    located.chunk.referenceOffset = WrapToInt32(int64_t{parent.offset} + s.offset);
    located.chunk.chunkSize = WrapToInt32(s.size);
    located.chunk.chunkIndex = WrapToInt32(last.chunk - 1);
    return located;
}

std::vector<TreeLine> ExpandWholeTree(const TreeView& view, size_t maxRows) {
    std::vector<TreeLine> lines;
    std::vector<TreeLine> pending{TreeLine{0, RootRow(view)}}; // the next one last
    TreeView limited = view;
    while (!pending.empty()) {
        TreeLine line = std::move(pending.back());
        pending.pop_back();
        if (line.row.folder) {
            // Never build more rows than the budget has room for, plus one to notice.
            limited.rowLimit = std::min(view.rowLimit, maxRows - lines.size() - pending.size());
            std::vector<ChunkRow> children = ExpandRow(limited, line.row);
            for (auto child = children.rbegin(); child != children.rend(); ++child) {
                pending.push_back(TreeLine{line.depth + 1, std::move(*child)});
            }
        }
        lines.push_back(std::move(line));
        if (lines.size() + pending.size() > maxRows) {
            throw PelmarError(ErrorKind::Limit, "the chunk tree has more than " +
                                                    Grouped(static_cast<int64_t>(maxRows)) +
                                                    " rows; it was not listed");
        }
    }
    return lines;
}

} // namespace pelmar
