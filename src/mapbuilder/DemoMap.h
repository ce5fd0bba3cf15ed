#pragma once

#include "mapbuilder/MapBuilder.h"

#include <cstdint>

namespace pelmar::builder {

// The bundled demo map: a scenario and about twenty tags in seven classes whose data
// follows the sample plugins in plugins/ (the class "snd!" deliberately has none).
MapSpec DemoMapSpec();

// A map of about `targetBytes` bytes with `tagCount` tags of the demo classes, each tag's
// data padded with filler words; for benchmarks.
MapSpec LargeMapSpec(uint64_t targetBytes, int32_t tagCount);

// The tag id the demo maps give to index entry `i`.
uint32_t DemoIdent(int32_t i);

} // namespace pelmar::builder
