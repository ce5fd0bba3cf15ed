#pragma once

#include "map/HaloPcMap.h"
#include "structview/ChunkTree.h"

#include <filesystem>
#include <string>

namespace pelmar::cli {

// The plugin folder a command uses: the one given with --plugins, otherwise the folder
// "plugins" beside this executable, where the window looks too.
std::filesystem::path PluginFolderOption(const std::string& given);

// Selects the tag CLASS:NAME in `tree`, as choosing its row in the window's tag list does.
// Throws PelmarError naming the map when it has no such tag.
TagSelection SelectTagOrThrow(ChunkTree& tree, const HaloPcMap& map, const std::string& tagKey);

} // namespace pelmar::cli
