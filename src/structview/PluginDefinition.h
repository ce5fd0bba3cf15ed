#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmar {

// The kinds of field a plugin describes, named in plugin files by their element names.
enum class FieldType : uint8_t {
    Int8,
    UInt8,
    Int16,
    UInt16,
    Int32,
    UInt32,
    Float,
    Angle,
    Fraction,
    Index,
    TagId,
    FourCC,
    String32,
    TagRef,
    Data,
    ColorArgb,
    ColorRgb,
    ColorArgbInt,
    Point2d,
    Point3d,
    Point2dInt,
    Vector2d,
    Vector3d,
    Euler2d,
    Euler3d,
    Rectangle2d,
    Quaternion,
    Matrix,
    Plane2d,
    Plane3d,
    ScriptValue,
    Enum16,
    Flags8,
    Flags16,
    Flags32,
    Pad,
};

// The element name of a field type ("float", "tagref", ...), and the type of an element name
// (case-insensitive); empty for names that are not field types.
std::string_view FieldTypeName(FieldType type);
std::optional<FieldType> FieldTypeNamed(std::string_view name);
// The bytes of one value of `type` (a tag reference 16, a float 4, padding 0).
int64_t NaturalSize(FieldType type);

// One field of a block: its place, its type and what the type needs to be read.
struct FieldDef {
    std::string name;
    FieldType type = FieldType::Pad;
    int64_t offset = 0;
    int64_t size = 0;                 // bytes of all values together
    int32_t count = 1;                // consecutive values of the type
    bool bounds = false;              // two values: lower, upper
    bool shiftedByOne = false;        // enum16 stored as option position - 1
    std::vector<std::string> options; // enum16: option names in value order
    std::vector<std::string> bits;    // flags: the name of bit i
    std::vector<std::string> classes; // tagref: allowed classes, "*" for any
    int64_t max = 0;                  // data: byte limit (0 when none is given)
};

// A struct element: a reference (count, address) at `offset` of the enclosing block, to
// `count` consecutive chunks of `size` bytes, each laid out by `fields` and `structs`.
struct StructDef {
    std::string name;
    int64_t offset = 0; // as the plugin gives it (0 when absent)
    int64_t size = 0;   // chunk size (0 when absent)
    bool hasSize = false;
    int64_t max = 0; // element limit (0 when none is given)
    std::vector<FieldDef> fields;
    std::vector<StructDef> structs; // in document order
    // Where among `fields` the tag references, data fields and tag ids are, in order: all that a
    // walk over the map's addresses reads of each chunk.
    std::vector<uint32_t> addressFields;

    bool HasStructs() const { return !structs.empty(); }
};

// One parsed plugin file: the layout of one tag class's data.
struct PluginDef {
    std::string tagClass;   // the root's `class` attribute
    int64_t headerSize = 0; // the size of the tag's own block
    // The plugin declares every block, tag reference and data field of the class at its
    // offset, so addresses can be told from values by it alone.
    bool complete = false;
    StructDef root; // the tag's own block (no name, offset or size)
};

} // namespace pelmar
