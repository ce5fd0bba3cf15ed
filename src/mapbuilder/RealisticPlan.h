#pragma once

#include "mapbuilder/RealisticMap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pelmar::builder {

// The scenario's name, as the file header gives it.
inline constexpr char kRealisticScenarioName[] = "pelmardemo";

// Where an index entry's data is.
enum class EntryKind : uint8_t {
    Data,         // in the tag data
    Bsp,          // the structure BSP: data address 0, its data in the BSP area
    Resource,     // Custom Edition indexed bitmap, font or string: a resource index, +24 = 1
    IndexedSound, // Custom Edition indexed sound: +24 = 1, its header stays in the tag data
};

// One entry of the index as planned, before anything is laid out.
struct PlannedTag {
    std::string class1, class2, class3; // four characters each; "\xFF\xFF\xFF\xFF" for none
    std::string name;
    uint32_t ident = 0;
    EntryKind kind = EntryKind::Data;
    uint32_t resourceIndex = 0; // Resource: the entry's number in bitmaps.map or loc.map
    const PluginDef* plugin = nullptr;

    bool HasData() const { return kind == EntryKind::Data || kind == EntryKind::IndexedSound; }
};

// The tag id the map compiler gives to entry `i`: ((0xE174 + i) << 16) | i, on 32 bits.
uint32_t RealisticIdent(int32_t entry);

// The index of the map: the scenario at entry 0, the classes interleaved as a compiler loads
// them, the structure BSP near the end. Classes whose plugin is missing are left out.
// Throws PelmarError (BadPlugin) without a scenario or BSP plugin, (Limit) for a tag count
// below 2 or above 65,535.
std::vector<PlannedTag> PlanRealisticTags(const RealisticOptions& options,
                                          const PluginLookup& plugins);

} // namespace pelmar::builder
