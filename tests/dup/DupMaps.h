#pragma once

#include "map/HaloPcMap.h"
#include "mapbuilder/MapBuilder.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pelmar::test {

// The small map of the duplication examples: magic 900, tag "weap:a" with its data at file
// offsets 500 to 799, then tag "bipd:b" at 800 to 863.
//
// weap:a's data is a 100-byte block with two structs: N (count at 16, pointer at 20) of three
// 48-byte chunks at 600, 648 and 696, and M (count at 24, pointer at 28) of one 56-byte chunk
// at 744. Test words sit on both sides of every bound of the moved range.
namespace worked {
inline constexpr int32_t kMagic = 900;
inline constexpr int32_t kReferenceN = 516;
inline constexpr int32_t kChunkSizeN = 48;
inline constexpr int32_t kInsertAtN = 744;
inline constexpr int64_t kLength = 864;
} // namespace worked
builder::MapSpec WorkedExampleSpec();

// A tag of class `class1` named `name` holding `data`.
builder::TagSpec NamedTag(const std::string& class1, const std::string& name, builder::Block data);

// A plugin file for the worked example's class "weap": structs N and M at the top level.
std::string WorkedExamplePlugin();

// Writes `text` to `folder`/`className`.ent, creating the folder.
void WritePlugin(const std::filesystem::path& folder, const std::string& className,
                 const std::string& text);

// Loads `path` into a fresh model.
HaloPcMap Load(const std::filesystem::path& path);

// Data offsets and sizes of every tag of `map`.
struct TagPlace {
    int32_t offset = 0;
    int32_t size = 0;
    bool operator==(const TagPlace&) const = default;
};
std::vector<TagPlace> Places(const HaloPcMap& map);

// The names of the temporary files that the writer left beside `path`.
std::vector<std::string> LeftoverTemporaries(const std::filesystem::path& path);

} // namespace pelmar::test
