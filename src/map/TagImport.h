#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmar {

class HaloPcMap;

namespace tagimport {

// The name under which an imported tag is stored in the file: its name, "_" and the map's
// tag count after the import, in decimal.
std::string StoredName(std::string_view name, int32_t newTagCount);

// Adds `shift` to every whole little-endian 32-bit word of `region` whose signed value v has
// low <= v < high, walking the region from its first byte on a 4-byte grid. Trailing bytes
// that do not make a whole word are left as they are.
void RaiseWordsInRange(std::span<uint8_t> region, int32_t low, int32_t high, int32_t shift);

// Where a copied tag's data comes from and where it goes.
struct DataMove {
    const HaloPcMap& source;      // the map the tag is copied from
    const HaloPcMap& destination; // the map it is copied into (before the copy is added)
    int32_t sourceBase = 0;       // map address of the tag's data in the source map
    int32_t size = 0;             // the tag's Size
    int32_t newDataAddress = 0;   // map address of the copy's first byte in the destination
};

// The copied data rewritten for its new map, word by word:
//  - a source tag id becomes the id of the destination's tag with the same class and name,
//    or -1 when the destination has no such tag;
//  - otherwise a map address inside the tag's own data (sourceBase <= w < sourceBase + size,
//    signed) is rebased to the copy's address;
//  - anything else, and trailing bytes that do not make a whole word, stay as they are.
std::vector<uint8_t> TranslateTagData(std::span<const uint8_t> data, const DataMove& move);

// HaloPcMap::AddMetaToMapFromMap on bytes that the caller has just read from the map's file,
// which must be the file as it is now: a caller that loads a map and imports into it at once
// reads the file only once. The bytes serve as the working copy of the new file: the tag
// count, the entries and the addresses of the data region are changed in place, whether or
// not the import then succeeds. A model that views these bytes (one made from them with
// HaloPcMap::FromBytes) sees the file's new data after a successful import, and must be
// dropped after a failed one.
void ImportTag(HaloPcMap& map, const HaloPcMap& sourceMap, int32_t n, std::span<uint8_t> file);

} // namespace tagimport

} // namespace pelmar
