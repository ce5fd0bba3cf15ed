// Values of the plain fields of tag data: numbers, enums, flags, text, colours and vectors.

#include "mapbuilder/RealisticValues.h"

#include "structview/FieldKinds.h"

#include "platform/Words.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

namespace pelmar::builder {

namespace {

constexpr uint32_t kBandLow = 0x40466666u;  // 3.1f
constexpr uint32_t kBandHigh = 0x40E00000u; // 7.0f
constexpr uint32_t kNearLow = 0x40466668u;  // the first 4-aligned pattern above 3.1f
constexpr uint32_t kNearSteps = 0x8000u;    // 4-byte steps above it
constexpr float kPi = 3.14159265f;

void StoreU16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void StoreFloat(uint8_t* p, float v) {
    StoreU32(p, std::bit_cast<uint32_t>(v));
}

// How the components of a float field are chosen.
enum class FloatKind { Band, Radians, Unit };

// Float types: number of components and their kind (0 for other types).
std::pair<int, FloatKind> FloatComponents(FieldType type) {
    const NumericShape shape = ShapeOf(type);
    if (shape.component != Component::F32) {
        return {0, FloatKind::Band};
    }
    const bool colour = type == FieldType::ColorRgb || type == FieldType::ColorArgb;
    return {shape.components, shape.angle ? FloatKind::Radians
                              : colour    ? FloatKind::Unit
                                          : FloatKind::Band};
}

void WriteFloats(uint8_t* p, int n, FloatKind kind, RealisticRandom& random) {
    for (int i = 0; i < n; ++i, p += 4) {
        if (kind == FloatKind::Band) {
            StoreU32(p, BandFloatBits(random));
        } else {
            StoreFloat(p, kind == FloatKind::Radians ? random.Between(0.0f, kPi)
                                                     : random.Between(0.0f, 1.0f));
        }
    }
}

// Text of up to 31 characters that reads as a name ("delta 7").
void WriteName(uint8_t* p, size_t size, RealisticRandom& random) {
    if (size == 0) {
        return;
    }
    static constexpr const char* kWords[] = {"alpha",   "bravo", "charlie", "delta", "echo",
                                             "foxtrot", "golf",  "hotel",   "india", "juliet"};
    const std::string text =
        std::string(kWords[random.Below(10)]) + " " + std::to_string(random.Below(100));
    std::memcpy(p, text.data(), std::min(text.size(), size - 1));
}

// One to two of the named bits of a flags field `width` bits wide.
uint32_t SomeBits(const FieldDef& field, uint32_t width, RealisticRandom& random) {
    std::vector<uint32_t> named;
    for (size_t i = 0; i < field.bits.size() && i < width; ++i) {
        if (!field.bits[i].empty()) {
            named.push_back(static_cast<uint32_t>(i));
        }
    }
    uint32_t mask = 0;
    const uint32_t draws = named.empty() ? 0 : 1 + random.Below(2);
    for (uint32_t k = 0; k < draws; ++k) {
        mask |= 1u << named[random.Below(static_cast<uint32_t>(named.size()))];
    }
    return mask;
}

// An option of an enum, stored as its position, or its position - 1 when shifted by one
// (so that option 0 reads 0xFFFF).
uint32_t SomeOption(const FieldDef& field, RealisticRandom& random) {
    const uint32_t position = random.Below(static_cast<uint32_t>(field.options.size()));
    return field.shiftedByOne ? (position - 1u) & 0xFFFFu : position;
}

// The bytes one value of `type` must have to be written as a single number.
size_t LeastSize(FieldType type) {
    switch (type) {
    case FieldType::Int32:
    case FieldType::UInt32:
    case FieldType::ScriptValue:
    case FieldType::TagId:
    case FieldType::FourCC:
    case FieldType::ColorArgbInt:
    case FieldType::Flags32:
        return 4;
    case FieldType::Index:
    case FieldType::Enum16:
    case FieldType::Flags16:
        return 2;
    default:
        return 1;
    }
}

// Writes one value of `field` (of `size` bytes) at `p`.
void WriteUnit(const FieldDef& field, uint8_t* p, size_t size, RealisticRandom& random,
               const ValueOwner& owner) {
    if (auto [n, kind] = FloatComponents(field.type); n > 0) {
        WriteFloats(p, std::min<int>(n, static_cast<int>(size / 4)), kind, random);
        return;
    }
    if (size < LeastSize(field.type)) {
        return; // a plugin that gives the field fewer bytes than its type has
    }
    switch (field.type) {
    case FieldType::Int8:
    case FieldType::UInt8:
        *p = static_cast<uint8_t>(random.Below(16));
        break;
    case FieldType::Int16:
    case FieldType::UInt16:
    case FieldType::Point2dInt:
    case FieldType::Rectangle2d:
        for (size_t i = 0; i + 2 <= size; i += 2) {
            StoreU16(p + i, random.Below(16));
        }
        break;
    case FieldType::Int32:
    case FieldType::UInt32:
    case FieldType::ScriptValue:
        StoreU32(p, random.Below(16));
        break;
    case FieldType::Index:
        StoreU16(p, random.Below(2) == 0 ? 0u : 0xFFFFu);
        break;
    case FieldType::TagId:
        StoreU32(p, owner.ident);
        break;
    case FieldType::FourCC:
        StoreU32(p, owner.classCode);
        break;
    case FieldType::ColorArgbInt:
        StoreU32(p, 0xFF000000u | (random.Word() & 0xFFFFFFu));
        break;
    case FieldType::String32:
        WriteName(p, size, random);
        break;
    case FieldType::Enum16:
        StoreU16(p, SomeOption(field, random));
        break;
    case FieldType::Flags8:
        *p = static_cast<uint8_t>(SomeBits(field, 8, random));
        break;
    case FieldType::Flags16:
        StoreU16(p, SomeBits(field, 16, random));
        break;
    case FieldType::Flags32:
        StoreU32(p, SomeBits(field, 32, random));
        break;
    default: // padding stays zero; references, data and blocks are written by the filler
        break;
    }
}

// True when the first of two `size`-byte values of `type` at `p` is greater than the second.
bool Descending(FieldType type, const uint8_t* p, size_t size) {
    if (FloatComponents(type).first == 1) {
        return std::bit_cast<float>(LoadU32(p)) > std::bit_cast<float>(LoadU32(p + size));
    }
    return std::lexicographical_compare(
        std::make_reverse_iterator(p + 2 * size), std::make_reverse_iterator(p + size),
        std::make_reverse_iterator(p + size), std::make_reverse_iterator(p));
}

} // namespace

uint32_t FourCC(std::string_view code) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<uint8_t>(i < code.size() ? code[i] : ' ');
    }
    return value;
}

uint32_t BandFloatBits(RealisticRandom& random) {
    if (random.Below(2) == 0) {
        return kNearLow + 4u * random.Below(kNearSteps);
    }
    return kBandLow + random.Below(kBandHigh - kBandLow + 1u);
}

void WriteFieldValues(const FieldDef& field, uint8_t* at, RealisticRandom& random,
                      const ValueOwner& owner) {
    const int32_t count = std::max(field.count, 1);
    const auto unit = static_cast<size_t>(field.size / count);
    for (int32_t i = 0; i < count; ++i) {
        WriteUnit(field, at + unit * static_cast<size_t>(i), unit, random, owner);
    }
    if (field.bounds && count == 2 && Descending(field.type, at, unit)) {
        std::swap_ranges(at, at + unit, at + unit);
    }
}

} // namespace pelmar::builder
