#pragma once

#include "map/HaloPcMap.h"
#include "structview/PluginDefinition.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pelmar {

// A tag that a reference or a tag id field names.
struct TagTarget {
    std::string tagClass;
    std::string name;
    uint32_t id = 0;
};

// A block field's count and element address.
struct BlockValue {
    int32_t count = 0;
    int32_t address = 0;
};

// What a field holds, as users read it: a number (integers, floats; angles in degrees; a data
// field's size), several numbers (points, vectors, colours, bounds, counted fields), a text
// (an enum's option, a string, a four-character code), names (a flags field's set bits), a tag
// (or none), or a block.
using Value = std::variant<double, std::vector<double>, std::string, std::vector<std::string>,
                           std::optional<TagTarget>, BlockValue>;

// One field of a block with its value.
struct FieldValue {
    std::string name;
    FieldType type = FieldType::Pad;
    int64_t offset = 0;  // in the file
    int32_t address = 0; // in the map
    int64_t size = 0;
    Value value;
    std::string text; // the value as the values view shows it
};

// Where the fields of one block are read: the map (for tag references) and the block's offset.
struct BlockAt {
    const HaloPcMap& map;
    const StructDef& layout;
    int64_t offset = 0;
};

// Every named field of the block, and its blocks (as their counts), in offset order. Padding is
// left out. Reading never writes. Throws PelmarError (BadMap) when a field lies outside the file.
std::vector<FieldValue> ReadFields(const BlockAt& block);

// The text of `value` as the values view shows it.
std::string ValueText(const Value& value, FieldType type);

// The field of `layout` named `name` (exactly, else in any letter case), or null.
const FieldDef* FieldNamed(const StructDef& layout, std::string_view name);

// The bytes that `text` stands for in `field`, which now holds `current`. Numbers are decimal
// (several separated by commas), angles in degrees, enum options and flags bits by name
// (flags: names separated by commas, or "none"), strings at most 31 bytes, tag references as
// "class:name" of a tag of an allowed class, or "none". Throws PelmarError (BadValue) saying
// what does not fit; blocks, data fields and padding are not edited this way.
std::vector<uint8_t> EncodeField(const FieldDef& field, std::string_view text, const HaloPcMap& map,
                                 std::span<const uint8_t> current);

} // namespace pelmar
