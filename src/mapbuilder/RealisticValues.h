#pragma once

#include "mapbuilder/RealisticRandom.h"
#include "structview/PluginDefinition.h"

#include <cstdint>
#include <string_view>

namespace pelmar::builder {

// A class code as the uint32 whose value reads as its text ("weap" = 0x77656170); stored
// little-endian, its bytes read reversed in the file.
uint32_t FourCC(std::string_view code);

// The bits of a float between 3.1 and 7.0. Tag data addresses start at 0x40440000, the bits of
// 3.0625, so such values look like addresses: half of them are 4-aligned patterns just above
// 3.1 (0x40466668 to 0x4046E664), which are addresses of the tag data of every map over
// 190 KB, the rest spread over the band.
uint32_t BandFloatBits(RealisticRandom& random);

// The tag that owns the values being written.
struct ValueOwner {
    uint32_t ident = 0;
    uint32_t classCode = 0; // FourCC of its class
};

// Writes plausible values for `field` (of any type but tag reference, data and block) at `at`:
// every one of its `count` values, lower bound before upper bound.
void WriteFieldValues(const FieldDef& field, uint8_t* at, RealisticRandom& random,
                      const ValueOwner& owner);

} // namespace pelmar::builder
