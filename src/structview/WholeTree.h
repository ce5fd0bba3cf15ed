#pragma once

#include "structview/ChunkTree.h"

#include <cstddef>
#include <vector>

namespace pelmar {

// A row of the chunk tree with every folder expanded, and its depth (0 for the root row).
struct TreeLine {
    int depth = 0;
    ChunkRow row;
};

// The chunk tree of `tag` as the window shows it with every folder expanded, depth first:
// each folder's children are the rows its expansion adds, and each child folder is expanded
// before its next sibling. `root` is the root row that selecting the tag gave. Throws
// PelmarError when the map file cannot be read, or when the tree has more than `maxRows` rows
// (hostile counts nested in one another could otherwise multiply without end).
std::vector<TreeLine> ExpandWholeTree(ChunkTree& tree, const HaloPcMap& map, const Tag& tag,
                                      const ChunkRow& root, size_t maxRows);

} // namespace pelmar
