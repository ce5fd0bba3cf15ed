#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pelmar {

// The file header of a map that begins with the "daeh" signature (the game's "head").
struct MapHeader {
    uint32_t version = 0; // 7 PC retail, 609 Custom Edition, 6 demo, 5 Xbox
    int32_t fileSize = 0;
    int32_t tagDataOffset = 0;
    int32_t tagDataSize = 0;
    std::string name;  // the scenario's name
    std::string build; // e.g. 01.00.00.0609
    uint16_t type = 0; // 0 single player, 1 multiplayer, 2 user interface
    uint32_t crc = 0;  // as stored

    // True when the header's sizes describe a file of `length` bytes: file size = length and
    // tag data offset + tag data size = length.
    bool DescribesFile(uint64_t length) const;
};

// The header of `file`, when it begins with the signature (any letter case) and is long
// enough to hold one; empty otherwise.
std::optional<MapHeader> ReadMapHeader(std::span<const uint8_t> file);

} // namespace pelmar
