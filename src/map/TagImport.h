#pragma once

#include "platform/ByteBuffer.h"

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

// True when some whole little-endian word of `region` has a signed value v with
// low <= v < high.
bool AnyWordInRange(std::span<const uint8_t> region, int32_t low, int32_t high);

// A region of the file with its addresses raised as RaiseWordsInRange would raise them, kept
// as pieces to be written one after the other: the region's own bytes wherever nothing
// changes, and raised copies of the few blocks that hold an address. The region's bytes are
// read, never changed, and must outlive the pieces.
class RaisedRegion {
public:
    static constexpr size_t kBlockSize = 4096;

    RaisedRegion(std::span<const uint8_t> region, int32_t low, int32_t high, int32_t shift);
    RaisedRegion(const RaisedRegion&) = delete;
    RaisedRegion& operator=(const RaisedRegion&) = delete;

    const std::vector<std::span<const uint8_t>>& pieces() const { return pieces_; }

private:
    void Add(std::span<const uint8_t> piece);

    ByteBuffer copies_; // the raised blocks, one after the other
    std::vector<std::span<const uint8_t>> pieces_;
};

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

// HaloPcMap::AddMetaToMapFromMap on bytes that the caller has just read from the map's file:
// `file` must be the file as it is now (a caller that loads a map and imports into it at once
// reads the file only once). `file` is not changed.
void ImportTag(HaloPcMap& map, const HaloPcMap& sourceMap, int32_t n,
               std::span<const uint8_t> file);

} // namespace tagimport

} // namespace pelmar
