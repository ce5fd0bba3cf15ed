#pragma once

#include "structview/PluginDefinition.h"

#include <cstdint>
#include <span>
#include <string>

namespace pelmar {

// How the numeric field types are stored: the kind and number of their components.
enum class Component : uint8_t { I8, U8, I16, U16, I32, U32, F32, None };

struct NumericShape {
    Component component = Component::None;
    int components = 0;  // per value
    bool angle = false;  // radians in the file, degrees for the user
    bool colour = false; // color_argb_int: one word read as a, r, g, b
};

// The shape of a numeric type; Component::None for the others (tag references, strings,
// enums, flags, data, padding).
NumericShape ShapeOf(FieldType type);

int ComponentSize(Component c);

// A component read from `p` (little-endian), as a double; and the bytes of `value` written
// back. Angles are converted by the callers.
double LoadComponent(Component c, const uint8_t* p);
void StoreComponent(Component c, double value, uint8_t* p);
// The range a component can hold; floats take any finite value.
bool ComponentHolds(Component c, double value);

// A number as users read it: integers without a fraction, floats with the fewest digits that
// read back as the same float.
std::string NumberText(double value, Component c);

// A four-character code stored as a little-endian word, in its reading order.
std::string FourCCText(const uint8_t* p);

} // namespace pelmar
