#pragma once

#include "structview/ChunkRow.h"
#include "structview/PluginRegistry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelmar {

class FileReader;

// What one expansion of a chunk-tree row works with.
struct Expansion {
    const FileReader& file; // the map file, open for this expansion
    int32_t magic;          // file offset = map address - magic
    int32_t tagOffset;      // file offset of the current tag's data
    const std::string& tagClass;
    PluginRegistry& registry;
    size_t rowLimit; // the most chunk rows this expansion adds
};

// The struct rows under a root or chunk row tagged `path`: one folder per struct element of
// the block's struct whose count in the file is above 0, in document order.
std::vector<ChunkRow> ExpandBlockRow(const Expansion& e, std::string_view path);

// The chunk rows under the struct row tagged `rowTag`: for every struct element of that name
// (ignoring case) under the block's struct, its chunks 1 to count, as folders when the element
// has struct children. The rows of one element stop at its first chunk that does not lie
// inside the file, and all stop at the row limit; a LeftOut row then counts the rest.
std::vector<ChunkRow> ExpandStructRow(const Expansion& e, std::string_view rowTag);

} // namespace pelmar
