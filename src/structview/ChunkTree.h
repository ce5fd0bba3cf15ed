#pragma once

#include "map/Duplication.h"
#include "structview/ChunkPath.h"
#include "structview/PluginDefinition.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pelmar {

// Root: the row "Main" of the tag's own data. Struct: a struct of the block above it. Chunk:
// one element of a struct. LeftOut: the last row of a struct whose chunks could not all be
// listed; it says how many were left out and why.
enum class RowKind { Root, Struct, Chunk, LeftOut };

// Why a LeftOut row's chunks were left out.
enum class LeftOutReason { SizeNotPositive, RowLimit, OutsideFile };

// One row of the chunk tree, small enough for a million of them: it refers to its struct's
// layout (owned by the plugin, which must outlive the rows) and shares its block's path.
struct ChunkRow {
    RowKind kind = RowKind::Root;
    bool folder = false;
    SharedPath block;                  // the block that holds the struct (root: null)
    const StructDef* layout = nullptr; // struct, chunk and LeftOut rows: the struct
    int64_t chunk = 0;                 // chunk rows: counted from 1
    std::optional<int32_t> offset;     // root and chunk rows: file offset of the block
    int64_t leftOut = 0;               // LeftOut rows: how many chunks
    LeftOutReason reason = LeftOutReason::RowLimit;
    int64_t detail = 0; // LeftOut rows: the size, the row limit or the first chunk left out
    bool afterListed = false;

    // "Main", the struct's name, "name : k", or "... N more chunks left out: why".
    std::string Text() const;
    // Root and chunk rows: the block the row names. Struct rows: the block holding the struct.
    ChunkPath Path() const;
    // The path of the block a root or chunk row names, shared, for its children.
    SharedPath SharedBlockPath() const;
};

// What the chunk tree of one tag reads: the layout of its class, the map's bytes, and where
// the tag's data lies.
struct TreeView {
    const PluginDef& plugin;
    std::span<const uint8_t> file;
    int32_t magic = 0;           // file offset = map address - magic
    int32_t tagOffset = 0;       // file offset of the tag's data
    size_t rowLimit = 1'000'000; // the most chunk rows one expansion adds
};

// The root row: "Main", a folder, at the tag's data.
ChunkRow RootRow(const TreeView& view);

// The rows under `row`. Under a root or chunk row: one struct row per struct of its block
// whose count is above 0, in document order. Under a struct row: for every struct of that
// name (any letter case) in the block, its chunks 1 to count, as folders when the struct has
// structs of its own; they stop at the first chunk that does not lie inside the file, at a
// chunk size that is not positive and at the row limit, and a LeftOut row then says how many
// were left out. Throws PelmarError (BadMap, with the offset) when a count or pointer to read
// lies outside the file, and NotFound when the path names a struct the plugin lacks.
std::vector<ChunkRow> ExpandRow(const TreeView& view, const ChunkRow& row);

// The block that `path` names: its layout and file offset. Each step reads the pointer of the
// struct of that name (of several with the same name: the last whose count in the block is
// above 0, else the last) and goes to its chunk; the arithmetic is on 32-bit words with
// wrap-around and the chunk number is not checked against the count.
struct ResolvedBlock {
    const StructDef* layout = nullptr;
    int32_t offset = 0;
};
ResolvedBlock ResolveBlock(const TreeView& view, const ChunkPath& path);

// What Duplicate copies for the chunk row of `path`: where its struct's reference lies, the
// chunk size and the chunk's index from 0, and the struct's layout. Throws PelmarError
// (Refused) for the root path, which names no chunk.
struct LocatedChunk {
    ChunkToDuplicate chunk;
    const StructDef* layout = nullptr;
};
LocatedChunk LocateChunk(const TreeView& view, const ChunkPath& path);

// The tree with every folder expanded, depth first, and each row's depth (0 for the root).
// Throws PelmarError (Limit) before building more than `maxRows` rows.
struct TreeLine {
    int depth = 0;
    ChunkRow row;
};
std::vector<TreeLine> ExpandWholeTree(const TreeView& view, size_t maxRows);

} // namespace pelmar
