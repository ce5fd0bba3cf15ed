#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pelmar {

// Root: the row "Main" of the tag's own data. Struct: a struct of the block above it.
// Chunk: one element of a struct. LeftOut: the last row of a struct whose count runs past the
// file (or past the rows one expansion may add); it says how many chunks were left out.
enum class RowKind { Root, Struct, Chunk, LeftOut };

// One row that the chunk tree shows: its text, its hidden tag (a chunk path, or for a struct
// row a chunk path + "|" + struct name), whether it is added as a folder, and for root and
// chunk rows the file offset of the block it names (computed when the row is added).
struct ChunkRow {
    std::string text;
    std::string tag;
    RowKind kind = RowKind::Root;
    bool folder = false;
    std::optional<int32_t> offset;
};

} // namespace pelmar
