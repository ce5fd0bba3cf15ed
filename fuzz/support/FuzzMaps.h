#pragma once

#include "map/HaloPcMap.h"
#include "structview/ChunkTree.h"
#include "structview/WholeTree.h"

#include <cstdint>
#include <filesystem>
#include <functional>
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

// Loads `mapBytes`, selects the tag that `selector`'s first byte picks with `plugin` as its
// class's plugin, expands the tag's whole tree and passes everything to `use`. A PelmarError
// from any step (the correct answer to most fuzzed input) ends the input quietly.
void WithExpandedTree(
    std::span<const uint8_t> plugin, std::span<const uint8_t> mapBytes,
    std::span<const uint8_t> selector, const std::string& mapName,
    const std::function<void(HaloPcMap&, ChunkTree&, int32_t, const std::vector<TreeLine>&)>& use);

// Picks a value below `count` from the selector bytes at `at` (0 when there are none).
uint32_t Pick(std::span<const uint8_t> selector, size_t at, uint32_t count);

} // namespace pelmar::fuzz
