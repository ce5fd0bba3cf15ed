#pragma once

#include "mapbuilder/RealisticPlan.h"

#include <cstdint>
#include <vector>

namespace pelmar::builder {

// Tag data is loaded at 0x40440000 on PC and Custom Edition; the tag data header lies there.
inline constexpr uint32_t kTagDataBase = 0x40440000u;
inline constexpr int64_t kTagDataHeaderSize = 40;
inline constexpr int64_t kEntrySize = 32;
// The BSP area begins with a 24-byte compiled header; the sbsp struct follows it.
inline constexpr int64_t kBspHeaderSize = 24;

// Where the regions of the file lie, in file order: header (0x800 bytes) | BSP | raw data
// (bitmap pixels) | model data (vertices, then indices) | tag data (its header, the index,
// the paths and the tags' data), which runs to the end of the file.
struct RegionPlan {
    uint32_t version = 609;
    int32_t bspOffset = 0, bspSize = 0;
    uint32_t bspAddress = 0; // where the game loads the BSP: at the end of the tag space
    int32_t rawOffset = 0, rawSize = 0;
    int32_t modelOffset = 0, modelParts = 0, vertexSize = 0, indexSize = 0;
    int32_t tagDataOffset = 0, tagDataSize = 0;

    int64_t FileSize() const { return int64_t{tagDataOffset} + tagDataSize; }
};

// The regions of a map whose BSP, raw data, model parts and tag data take these sizes.
// Throws PelmarError (Limit) when the file would not fit signed 32-bit offsets.
RegionPlan PlanRegions(uint32_t version, int64_t bspSize, int64_t rawSize, int32_t modelParts,
                       int64_t tagDataSize);

// The load address of a BSP of `size` bytes: the BSP ends where the 23 MiB tag space ends.
uint32_t BspLoadAddress(int64_t size);

// The 0x800-byte file header, its CRC included; call it once every other region is written.
void WriteFileHeader(std::vector<uint8_t>& file, const RegionPlan& regions);

// The 40-byte tag data header at `at`.
void WriteTagDataHeader(uint8_t* at, const RegionPlan& regions, uint32_t scenarioIdent,
                        uint32_t tagCount, uint32_t tagFileChecksum);

// The 32-byte index entry of `tag` at `at`; `dataWord` is its data address (or resource
// index, or 0 for the BSP).
void WriteIndexEntry(uint8_t* at, const PlannedTag& tag, uint32_t pathAddress, uint32_t dataWord);

// Bytes for the raw data region (pixels) and the model data region (vertices of 68 bytes,
// four per part, then six 16-bit indices per part).
void WriteRawAndModelData(std::vector<uint8_t>& file, const RegionPlan& regions, uint32_t seed);

} // namespace pelmar::builder
