#pragma once

#include "map/FileEdit.h"
#include "map/HaloPcMap.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmar {

struct ImportPlan {
    FileEdit edit;
    std::string storedName; // the name the copy is stored under: NAME_N
    uint32_t newIdent = 0;
    bool identMoved = false; // the usual id (last id + 0x00010001) was taken; the next free one
};

// Copying tag `n` of `source` (its class codes, name and data) into `map`: a new index entry
// after the last, its stored name (the name, "_" and the new tag count) after the names, its
// data at the end of the file. Inside the copied data, ids of the source's tags become the
// ids of this map's tags of the same class and name (-1 where there is none) and addresses
// into the tag's own data are rebased; in this map every name address moves with the names,
// the data addresses of tags whose data is here and every address into the tag data region
// move with the data. `source` may be `map` itself. The header is kept true.
//
// Throws PelmarError: NotFound for an `n` that is not a tag of `source`; Refused when the
// source tag has no data here, this map's names or data are laid out so that the insertions
// would split them, or the map would outgrow 32-bit offsets.
ImportPlan PlanImport(const HaloPcMap& map, const HaloPcMap& source, int32_t n);

// The values of one import, fixed before anything is written.
struct ImportLayout {
    int32_t fileLength = 0;     // the file's length before the import
    int32_t entriesEnd = 0;     // where the new entry is inserted: the end of the entries
    int32_t dataStart = 0;      // the first tag's data: where the stored name is inserted
    int32_t nameBytes = 0;      // the stored name, its zero byte and any padding
    int32_t shift = 0;          // how far the data moves: one entry plus the name bytes
    int32_t newDataAddress = 0; // map address of the copied data

    // How far the byte at file offset `offset` moves: not at all before the new entry, by one
    // entry up to the first tag's data, by the whole shift from there on.
    int32_t MoveOf(int32_t offset) const;
};

// The source's tag `n`, which must have data; PelmarError NotFound or Refused otherwise.
const Tag& ImportedTag(const HaloPcMap& source, int32_t n);
// Plans where everything goes. With `alignData` the stored name is padded with zero bytes so
// that the shift, and so every moved tag's data, stays on a multiple of 4.
ImportLayout PlanImportLayout(const HaloPcMap& map, const Tag& tag, const std::string& storedName,
                              bool alignData);
// The new tag's id: the last tag's id + 0x00010001, or the next free one in such steps.
uint32_t NewTagIdent(const HaloPcMap& map, bool& moved);
// The new entry, its stored name (with padding) and the index changes: the tag count, every
// entry's name address, and the data addresses of the tags whose data is here.
void AddEntryAndName(const HaloPcMap& map, const Tag& tag, const ImportLayout& l,
                     const ImportPlan& plan, FileEdit& edit);

// The name under which an imported tag is stored.
std::string StoredName(std::string_view name, int32_t newTagCount);

// Where a copied tag's data comes from and where it goes.
struct DataMove {
    const HaloPcMap& source;      // the map the tag is copied from
    const HaloPcMap& destination; // the map it is copied into (before the copy is added)
    int32_t sourceBase = 0;       // map address of the tag's data in the source map
    int32_t size = 0;             // the tag's Size
    int32_t newDataAddress = 0;   // map address of the copy's first byte in the destination
};

// The copied data rewritten for its new map, word by word: a source tag id becomes the id of
// the destination's tag with the same class and name, or -1 when it has none; otherwise an
// address inside the tag's own data (sourceBase <= w < sourceBase + size, signed) is rebased
// to the copy's address; anything else, and a trailing part shorter than a word, stays.
std::vector<uint8_t> TranslateTagData(std::span<const uint8_t> data, const DataMove& move);

} // namespace pelmar
