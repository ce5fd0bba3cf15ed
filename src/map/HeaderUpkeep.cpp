#include "map/HeaderUpkeep.h"

#include "map/MapChecksum.h"
#include "map/MapHeader.h"
#include "map/MapLayout.h"
#include "platform/Int32.h"

#include <string>

namespace pelmar {

void KeepHeaderTrue(const HaloPcMap& map, FileEdit& edit) {
    const std::span<const uint8_t> old = map.bytes();
    const std::optional<MapHeader> header = ReadMapHeader(old);
    if (!header) {
        return;
    }
    const auto inserted = static_cast<int32_t>(edit.InsertedBytes());
    int64_t tagDataSize = header->tagDataSize;
    if (header->DescribesFile(old.size())) {
        edit.SetWord(layout::kHeaderFileSizeField, AddWrap(header->fileSize, inserted));
        edit.SetWord(layout::kHeaderTagDataSizeField, AddWrap(header->tagDataSize, inserted));
        tagDataSize += inserted;
    }
    edit.checksum = !map.checksumUpToDate   ? FileEdit::Checksum::RecomputeIfRight
                    : *map.checksumUpToDate ? FileEdit::Checksum::Recompute
                                            : FileEdit::Checksum::Keep;
    const int64_t needed = tagDataSize + LargestBsp(old);
    if (needed > layout::kTagSpace) {
        edit.warnings.push_back("the tag data and the largest BSP now need " +
                                std::to_string(needed) + " bytes, more than the game's " +
                                std::to_string(layout::kTagSpace) +
                                " bytes of tag space; the stock game will not load this map");
    }
}

} // namespace pelmar
