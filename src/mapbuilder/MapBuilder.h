#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelmar::builder {

struct Block;

// A struct reference inside a block: a 32-bit count at `offset` and the map address of the
// first chunk at `offset + 4`. The builder writes both and lays the chunks out after the block.
struct Reflexive {
    int32_t offset = 0;
    int32_t chunkSize = 0;
    std::vector<Block> chunks;
};

// A block of tag data: its own bytes (a chunk's bytes are padded to the chunk size) and the
// struct references it holds.
struct Block {
    std::vector<uint8_t> bytes;
    std::vector<Reflexive> refs;

    explicit Block(size_t size = 0) : bytes(size, 0) {}
    Block& SetWord(size_t offset, uint32_t value);
    Block& Add(Reflexive ref) {
        refs.push_back(std::move(ref));
        return *this;
    }
};

struct TagSpec {
    std::string class1;
    std::string class2 = std::string(4, '\xFF');
    std::string class3 = std::string(4, '\xFF');
    uint32_t ident = 0;
    std::string name;
    Block data;
    // Where to store the map address of the end of this tag's data (the scenario's
    // scan end lives at word 1448).
    std::optional<int32_t> endAddressWord;
};

struct MapSpec {
    std::string signature = "daeh"; // any other text stores the index offset at 1516
    int32_t headerSize = 2048;
    int32_t mapMagic = 0x40440028; // map address of the first tag entry
    std::vector<TagSpec> tags;     // index order; the first is the scenario
};

struct BuiltTag {
    int32_t nameOffset = 0;
    int32_t offset = 0;
    int32_t size = 0;
};

struct BuiltMap {
    std::vector<uint8_t> bytes;
    int32_t indexOffset = 0;
    int32_t tagOffset = 0;
    int32_t magic = 0;
    std::vector<BuiltTag> tags;
};

// Lays out a valid map: header, index, names, then every tag's data with its struct arrays
// after it, depth first.
BuiltMap BuildMap(const MapSpec& blueprint);

} // namespace pelmar::builder
