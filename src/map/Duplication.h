#pragma once

#include "map/FileEdit.h"
#include "map/HaloPcMap.h"

#include <cstdint>
#include <span>
#include <vector>

namespace pelmar {

// The chunk that Duplicate copies, as the chunk tree resolves the selected row.
struct ChunkToDuplicate {
    int32_t referenceOffset = 0; // file offset of the struct's count; its pointer follows
    int32_t chunkSize = 0;       // bytes per chunk
    int32_t chunkIndex = 0;      // the chunk to copy, counted from 0
};

struct DuplicationRequest {
    int32_t tagIndex = 0;       // the tag whose data holds the struct
    bool scenarioClass = false; // the tag's plugin is of class "scnr" (any letter case)
    ChunkToDuplicate chunk;
};

// Where the struct lies and where the copy goes, in offsets of the file before the edit.
struct DuplicationTarget {
    const Tag* tag = nullptr;
    ChunkToDuplicate chunk;
    int32_t count = 0;
    int32_t first = 0;    // the struct's chunk 0
    int32_t insertAt = 0; // the byte after the array's last element
    int64_t oldLength = 0;
    int64_t newLength = 0;

    int64_t TagEnd() const { return int64_t{tag->Offset} + tag->Size; }
    int64_t ChunkStart() const {
        return int64_t{first} + int64_t{chunk.chunkSize} * chunk.chunkIndex;
    }
};

// The checks every duplication makes before anything else; see PlanDuplication for what is
// refused. `extra` bytes are inserted with the copy (its sub-blocks, in a deep copy).
DuplicationTarget LocateTarget(const HaloPcMap& map, const DuplicationRequest& request,
                               int64_t extra = 0);

// Writes count + 1 over the struct's count in the new file.
void RaiseCount(FileEdit& edit, const DuplicationTarget& target);

struct DuplicationPlan {
    FileEdit edit;
    int32_t countBefore = 0; // the struct's count before it is raised
    int32_t insertAt = 0;    // file offset at which the copy is inserted
};

// Appending a copy of a chunk to the end of its struct's array, relocating by value: the
// count is raised, the copy is fixed up and inserted after the array's last element, and
// every word that holds an address the insertion moved is raised. For the scenario class the
// scenario's own words up to its scan end are relocated first, then everything from the
// second tag's data on; for other classes the current tag's words before the insertion point,
// then everything after the copy. The index's data addresses of tags whose data is here move.
// The header is kept true (HeaderUpkeep.h).
//
// Throws PelmarError (Refused, with the offset) when the edit cannot be made soundly: a chunk
// size that is not positive, a chunk not in the struct, a struct reference or array outside
// the tag's data, a tag without data of its own, a scenario scan end outside the scenario's
// data, a map that would outgrow 32-bit offsets.
DuplicationPlan PlanDuplication(const HaloPcMap& map, const DuplicationRequest& request);

// How the words of a fresh copy are fixed up: a word that points strictly inside the current
// tag's data is cleared with the word before it (a reflexive's count and pointer), so the copy
// owns no sub-blocks; a word that points at or past the tag's end (the next tag's data, which
// the insertion moved) and into the file as it was is raised by `raise`, unless a relocation
// run of the edit examines the word's place anyway.
struct CopyFixUp {
    int32_t magic = 0;
    int32_t tagStart = 0;
    int32_t tagEnd = 0;
    int64_t oldLength = 0;
    int32_t raise = 0;
    int64_t position = 0;           // the copy's offset in the new file
    std::vector<WordRun> rescanned; // runs of the new file that the relocation examines

    bool IsRescanned(int64_t at) const;
};

// Fixes up `copy` in place. A word at offset 0 that must be cleared clears only itself; a
// trailing part shorter than a word is left as it is.
void FixUpCopy(std::span<uint8_t> copy, const CopyFixUp& fix);

} // namespace pelmar
