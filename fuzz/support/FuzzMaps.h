#pragma once

#include "map/HaloPcMap.h"
#include "structview/ChunkTree.h"
#include "structview/PluginDefinition.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace pelmar::fuzz {

// The map that `bytes` hold, or nothing when the decoder refuses them (the right answer to
// most fuzzed bytes).
std::optional<HaloPcMap> DecodeOrNothing(std::span<const uint8_t> bytes);
std::optional<PluginDef> ParseOrNothing(std::span<const uint8_t> text);

// Picks a value below `count` from the selector bytes at `at` (0 when there are none).
uint32_t Pick(std::span<const uint8_t> selector, size_t at, uint32_t count);

// Decodes the map, parses the plugin, picks a tag with data by the selector's first byte,
// expands its whole tree (at most 20,000 rows) and passes everything to `use`. A PelmarError
// from any step ends the input quietly.
void WithExpandedTree(
    std::span<const uint8_t> plugin, std::span<const uint8_t> map,
    std::span<const uint8_t> selector,
    const std::function<void(const HaloPcMap&, const PluginDef&, int32_t, const TreeView&,
                             const std::vector<TreeLine>&)>& use);

} // namespace pelmar::fuzz
