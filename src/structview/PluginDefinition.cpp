#include "structview/PluginDefinition.h"

#include "structview/TextValues.h"

#include <array>

namespace pelmar {

namespace {

// Element names in the order of FieldType.
constexpr std::array<std::string_view, 36> kTypeNames = {
    "int8",         "uint8",       "int16",       "uint16",     "int32",     "uint32",
    "float",        "angle",       "fraction",    "index",      "tag_id",    "fourcc",
    "string32",     "tagref",      "data",        "color_argb", "color_rgb", "color_argb_int",
    "point2d",      "point3d",     "point2d_int", "vector2d",   "vector3d",  "euler2d",
    "euler3d",      "rectangle2d", "quaternion",  "matrix",     "plane2d",   "plane3d",
    "script_value", "enum16",      "flags8",      "flags16",    "flags32",   "pad",
};

// Value sizes in the same order.
constexpr std::array<int8_t, 36> kTypeSizes = {
    1, 1,  2, 2, 4,  4, 4,  4, 4,  2,  4,  4,  32, 16, 20, 16, 12, 4,
    8, 12, 4, 8, 12, 8, 12, 8, 16, 36, 12, 16, 4,  2,  1,  2,  4,  0,
};

static_assert(kTypeNames.size() == static_cast<size_t>(FieldType::Pad) + 1);

} // namespace

std::string_view FieldTypeName(FieldType type) {
    return kTypeNames[static_cast<size_t>(type)];
}

int64_t NaturalSize(FieldType type) {
    return kTypeSizes[static_cast<size_t>(type)];
}

std::optional<FieldType> FieldTypeNamed(std::string_view name) {
    for (size_t i = 0; i < kTypeNames.size(); ++i) {
        if (SameText(kTypeNames[i], name)) {
            return static_cast<FieldType>(i);
        }
    }
    return std::nullopt;
}

} // namespace pelmar
