#pragma once

#include "map/ChunkDuplication.h"
#include "map/HaloPcMap.h"
#include "structview/ChunkTree.h"

#include <cstdint>
#include <string>

namespace pelmar {

// What pressing Duplicate copies when the chunk-tree row tagged `rowTag` is selected and the
// tag of index `currentTag` is selected in the tag list: the file offset of the struct's
// reference, the struct's chunk size and the chunk's index from 0, resolved through the chunk
// tree's registry and FindBaseOffset.
//
// Throws PelmarError, saying why, when there is nothing to duplicate: the root row or a struct
// row is selected (select a chunk), the struct's size is 0 or absent, or the reference lies
// outside the file (the tree is stale or the plugin wrong). Nothing is changed.
ChunkToDuplicate ResolveDuplicationTarget(const ChunkTree& tree, const HaloPcMap& map,
                                          int32_t currentTag, const std::string& rowTag);

// Resolves the target as above and duplicates it; the whole of the Duplicate button. When it
// returns, the edit is on disk and the model has the moved offsets ("Done").
DuplicationResult DuplicateSelectedChunk(HaloPcMap& map, const ChunkTree& tree, int32_t currentTag,
                                         const std::string& rowTag);

} // namespace pelmar
