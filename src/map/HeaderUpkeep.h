#pragma once

#include "map/FileEdit.h"
#include "map/HaloPcMap.h"

#include <cstdint>
#include <span>

namespace pelmar {

// Adds to `edit` what keeps a real map's header true once its insertions are made, for a file
// that begins with the signature (other files' headers are left alone): the file size and the
// tag data size grow by the inserted bytes when before the edit they described the file; the
// checksum is recomputed when it matched the contents before the edit (a stale one is kept);
// and a warning is added when the tag data and the largest BSP no longer fit the game's tag
// space. Whether the checksum matched is taken from the model when it knows, else computed.
void KeepHeaderTrue(const HaloPcMap& map, FileEdit& edit);

} // namespace pelmar
