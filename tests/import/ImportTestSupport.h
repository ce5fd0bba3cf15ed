#pragma once

#include "map/HaloPcMap.h"
#include "mapbuilder/MapBuilder.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace pelmar::test {

// A tag of the given class, name and id whose data is `data`.
builder::TagSpec PlainTag(const std::string& class1, const std::string& name, uint32_t ident,
                          builder::Block data);

// A block of `size` bytes holding small counting values that no map address or tag id of
// the test maps can equal.
builder::Block Counting(size_t size, uint32_t seed);

// `Counting(size, seed)` with a struct at `at` of `count` counting chunks of `chunkSize`.
builder::Block WithStruct(size_t size, uint32_t seed, int32_t at, int32_t chunkSize, int count);

// Grows the header so that the names end on a 4-byte boundary: the first tag's data then
// follows the names with no padding between them.
void AlignNamesEnd(builder::MapSpec& blueprint);

HaloPcMap Load(const std::filesystem::path& path);

// Everything a model holds, for checking that a failed import changed nothing.
struct TagSnapshot {
    std::string class1, class2, class3, name;
    uint32_t ident;
    int32_t nameOffset, offset, size;
    std::vector<uint8_t> data;
    bool operator==(const TagSnapshot&) const = default;
};
struct ModelSnapshot {
    std::filesystem::path f;
    int32_t indexOffset, mapMagic, tagOffset, magic, tagCount;
    std::vector<TagSnapshot> tags;
    std::unordered_map<std::string, int32_t> byName;
    std::unordered_map<uint32_t, int32_t> byIdent;
    std::map<std::string, std::vector<std::string>> byClass;
    std::vector<std::string> classes;
    bool operator==(const ModelSnapshot&) const = default;
};
ModelSnapshot Snapshot(const HaloPcMap& map);

} // namespace pelmar::test
