#pragma once

#include "map/Duplication.h"
#include "map/Import.h"
#include "structview/AddressWalk.h"

#include <span>

namespace pelmar {

// The edits of Duplication.h and Import.h with precise relocation: only the address words
// that the layouts declare move (`slots`, from DeclaredAddresses of the map before the edit),
// each when it points at or after the insertion point and into the file; the index's name and
// data addresses of tags with data move the same way. No other byte of the file changes.

// Duplicates the chunk that `request` names, laid out by `chunkLayout`. Shallow: the copy's
// blocks and data fields that point into the current tag become empty (count or size 0,
// address 0); its tag references stay. Deep: the copy is inserted together with copies of
// its blocks (recursively) and of its data fields' data, as one insertion after the array,
// its addresses pointing at its own copies.
DuplicationPlan PlanPreciseDuplication(const HaloPcMap& map, const DuplicationRequest& request,
                                       const StructDef& chunkLayout,
                                       std::span<const AddressSlot> slots, bool deep);

// Imports tag `n` of `source`, laid out by `sourceLayout`: the stored name is padded so that
// tag data stays 4-byte aligned; in the copied data, tag ids in tag references and tag id
// fields are translated (to -1 where this map has no such tag), each tag reference's path
// address and length are set to this map's name of the tag it now refers to (0 for none), and
// block and data addresses into the tag's own data are rebased; in this map every declared
// address moves with what it points to (names by one entry, data by the whole shift).
ImportPlan PlanPreciseImport(const HaloPcMap& map, std::span<const AddressSlot> slots,
                             const HaloPcMap& source, const PluginDef& sourceLayout, int32_t n);

} // namespace pelmar
