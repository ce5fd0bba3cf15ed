#pragma once

#include "structview/PluginDefinition.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmar::builder {

// The layouts of the classes, by class code; nullptr for a class without one. The caller
// reads the plugin files (plugins/*.ent) and parses them.
using PluginLookup = std::function<const PluginDef*(std::string_view tagClass)>;

struct RealisticOptions {
    uint32_t version = 609;   // 609: Custom Edition; 7: PC retail
    uint64_t targetBytes = 0; // 0: the demo map (a few hundred KB); else grow to about this size
    int32_t tagCount = 0;     // 0: as many as the demo needs (or as targetBytes suggests)
    uint32_t seed = 1;        // everything is deterministic for a given seed
};

// One index entry of the built map. `offset` is the file offset of the tag's data and `size`
// the distance to the next tag's data in file order (the last reaches the end of the file),
// as a map reader measures them. For an entry whose data is not in the tag data (`external`:
// the BSP, and Custom Edition's indexed bitmaps, fonts and strings) `offset` is its data word
// translated as if it were an address and `size` is 0. `indexed` is the Custom Edition word at
// entry +24 (an indexed sound keeps its data here).
struct RealisticTag {
    std::string class1, class2, class3, name;
    uint32_t ident = 0;
    int32_t offset = 0;
    int32_t size = 0;
    bool external = false;
    bool indexed = false;
};

struct RealisticMap {
    std::vector<uint8_t> bytes;
    int32_t tagDataOffset = 0; // the tag data header's file offset
    int32_t magic = 0;         // file offset = address - magic
    int32_t bspOffset = 0;     // the BSP area
    int32_t bspSize = 0;
    std::vector<RealisticTag> tags; // index order
};

// Builds a multiplayer map laid out as the game's own compiler lays them out: header, BSP
// area, raw data, model data, tag data header, tag index, tag paths and tag data, every tag
// filled field by field after its plugin. Tags of classes without a plugin are left out.
// Throws PelmarError: BadPlugin when the scenario or BSP class has no plugin or a plugin
// describes a field outside its struct, Limit when the options ask for more than a map holds
// (65,535 tags, 2 GiB).
RealisticMap BuildRealisticMap(const RealisticOptions& options, const PluginLookup& plugins);

} // namespace pelmar::builder
