#include "structview/FieldKinds.h"

#include "platform/Words.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

namespace pelmar {

NumericShape ShapeOf(FieldType type) {
    using C = Component;
    switch (type) {
    case FieldType::Int8:
        return {C::I8, 1};
    case FieldType::UInt8:
        return {C::U8, 1};
    case FieldType::Int16:
        return {C::I16, 1};
    case FieldType::UInt16:
    case FieldType::Index:
        return {C::U16, 1};
    case FieldType::Int32:
    case FieldType::ScriptValue:
        return {C::I32, 1};
    case FieldType::UInt32:
        return {C::U32, 1};
    case FieldType::Float:
    case FieldType::Fraction:
        return {C::F32, 1};
    case FieldType::Angle:
        return {C::F32, 1, true};
    case FieldType::ColorArgbInt:
        return {C::U8, 4, false, true};
    case FieldType::Point2d:
    case FieldType::Vector2d:
        return {C::F32, 2};
    case FieldType::ColorRgb:
    case FieldType::Point3d:
    case FieldType::Vector3d:
    case FieldType::Plane2d:
        return {C::F32, 3};
    case FieldType::ColorArgb:
    case FieldType::Quaternion:
    case FieldType::Plane3d:
        return {C::F32, 4};
    case FieldType::Matrix:
        return {C::F32, 9};
    case FieldType::Euler2d:
        return {C::F32, 2, true};
    case FieldType::Euler3d:
        return {C::F32, 3, true};
    case FieldType::Point2dInt:
        return {C::I16, 2};
    case FieldType::Rectangle2d:
        return {C::I16, 4};
    default:
        return {};
    }
}

int ComponentSize(Component c) {
    switch (c) {
    case Component::I8:
    case Component::U8:
        return 1;
    case Component::I16:
    case Component::U16:
        return 2;
    case Component::None:
        return 0;
    default:
        return 4;
    }
}

double LoadComponent(Component c, const uint8_t* p) {
    switch (c) {
    case Component::I8:
        return static_cast<int8_t>(p[0]);
    case Component::U8:
        return p[0];
    case Component::I16:
        return static_cast<int16_t>(LoadU16(p));
    case Component::U16:
        return LoadU16(p);
    case Component::I32:
        return LoadI32(p);
    case Component::U32:
        return LoadU32(p);
    case Component::F32:
        return std::bit_cast<float>(LoadU32(p));
    case Component::None:
        break;
    }
    return 0;
}

void StoreComponent(Component c, double value, uint8_t* p) {
    switch (c) {
    case Component::I8:
    case Component::U8:
        p[0] = static_cast<uint8_t>(static_cast<int64_t>(value));
        return;
    case Component::I16:
    case Component::U16: {
        const auto v = static_cast<uint16_t>(static_cast<int64_t>(value));
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        return;
    }
    case Component::I32:
    case Component::U32:
        StoreU32(p, static_cast<uint32_t>(static_cast<int64_t>(value)));
        return;
    case Component::F32:
        StoreU32(p, std::bit_cast<uint32_t>(static_cast<float>(value)));
        return;
    case Component::None:
        return;
    }
}

bool ComponentHolds(Component c, double value) {
    const auto within = [value](double lo, double hi) {
        return value >= lo && value <= hi && value == std::floor(value);
    };
    switch (c) {
    case Component::I8:
        return within(-128, 127);
    case Component::U8:
        return within(0, 255);
    case Component::I16:
        return within(-32768, 32767);
    case Component::U16:
        return within(0, 65535);
    case Component::I32:
        return within(-2147483648.0, 2147483647.0);
    case Component::U32:
        return within(0, 4294967295.0);
    case Component::F32:
        return std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max();
    case Component::None:
        break;
    }
    return false;
}

std::string NumberText(double value, Component c) {
    char text[64];
    const auto result = c == Component::F32
                            ? std::to_chars(text, text + sizeof text, static_cast<float>(value))
                            : std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string FourCCText(const uint8_t* p) {
    const uint32_t v = LoadU32(p);
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) {
        text[static_cast<size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
    }
    return text;
}

} // namespace pelmar
