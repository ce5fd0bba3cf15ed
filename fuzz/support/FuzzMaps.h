#pragma once

#include "map/HaloPcMap.h"
#include "structview/ChunkTree.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pelmar::fuzz {

// Writes `bytes` as a map file in the scratch folder and loads it; nullopt when the loader
// refuses it (which is a correct outcome for most fuzzed bytes).
std::optional<HaloPcMap> LoadScratchMap(const std::string& name, std::span<const uint8_t> bytes);

// Installs `plugin` as the plugin of the tag at `index`'s class in a scratch plugins folder
// and selects the tag in a fresh chunk tree. Returns the root row, if the plugin gave one.
std::optional<ChunkRow> SelectWithPlugin(ChunkTree& tree, const HaloPcMap& map, int32_t index,
                                         std::span<const uint8_t> plugin);

// The scratch plugins folder.
std::filesystem::path ScratchPlugins();

// Picks a value below `count` from the selector bytes at `at` (0 when there are none).
uint32_t Pick(std::span<const uint8_t> selector, size_t at, uint32_t count);

} // namespace pelmar::fuzz
