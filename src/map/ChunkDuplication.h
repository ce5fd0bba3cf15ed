#pragma once

#include "map/HaloPcMap.h"
#include "map/Relocation.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pelmar {

// The chunk that Duplicate copies, as worked out from the selected row of the chunk tree.
struct ChunkToDuplicate {
    int32_t referenceOffset = 0; // file offset of the struct's count; its pointer follows
    int32_t chunkSize = 0;       // bytes per chunk
    int32_t chunkIndex = 0;      // the chunk to copy, counted from 0
};

// What a completed duplication did to the file.
struct DuplicationResult {
    int32_t countBefore = 0; // the struct's count before it was raised
    int32_t insertAt = 0;    // file offset at which the copy was inserted
    int64_t newLength = 0;   // the file's length afterwards
};

// Appends a copy of the chunk to the end of its struct's array in the file of `map`: raises
// the count, fixes up the copy, inserts it after the array's last element and relocates every
// address that the insertion moved. `currentTag` is the index in TagCache of the tag whose
// data holds the struct; `tagClass` is the class of the installed plugin ("scnr" in any mix
// of capitals relocates the scenario's data first).
//
// The whole edit is made on the file's bytes in memory and written crash-safely; only once it
// is on disk does the model take the moved offsets. On any failure (a chunk or reference
// outside the file, a size of 0, a file that cannot be written) it throws PelmarError naming
// the file, and the file and the model are exactly as they were.
DuplicationResult DuplicateChunk(HaloPcMap& map, int32_t currentTag, const std::string& tagClass,
                                 const ChunkToDuplicate& chunk);

// How the words of a fresh copy are fixed up. A word that points strictly inside the current
// tag's data is cleared with the word before it (a reflexive's count and pointer), so the copy
// owns no sub-blocks; a word that points beyond the tag's end is raised by `raise`, unless the
// relocation that follows examines the word's place anyway (it then moves it itself).
struct CopyFixUp {
    int32_t magic = 0;
    int32_t tagStart = 0;
    int32_t tagEnd = 0;
    int32_t raise = 0;
    int64_t position = 0;           // the copy's file offset once inserted
    std::vector<WordRun> rescanned; // the words that the relocation will examine

    bool IsRescanned(int64_t at) const;
};

// Fixes up `copy` in place. A word at offset 0 that must be cleared clears only itself; a
// trailing part shorter than a word is left as it is.
void FixUpCopy(std::span<uint8_t> copy, const CopyFixUp& fix);

// True for "scnr" in any mix of capitals.
bool IsScenarioClass(const std::string& tagClass);

} // namespace pelmar
