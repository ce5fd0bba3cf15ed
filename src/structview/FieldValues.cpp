#include "structview/FieldValues.h"

#include "platform/Error.h"
#include "platform/Int32.h"
#include "platform/Words.h"
#include "structview/FieldKinds.h"
#include "structview/TextValues.h"

#include <algorithm>
#include <cstring>
#include <numbers>

namespace pelmar {

namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

std::optional<TagTarget> TargetOf(const HaloPcMap& map, uint32_t id) {
    const std::optional<int32_t> index = map.FindTagByIdent(id);
    if (id == 0xFFFFFFFFu || !index) {
        return std::nullopt;
    }
    const Tag& t = map.TagCache[static_cast<size_t>(*index)];
    return TagTarget{t.Class1, t.Name.str(), t.ident};
}

Value Numbers(const FieldDef& f, const uint8_t* p) {
    const NumericShape shape = ShapeOf(f.type);
    const int size = ComponentSize(shape.component);
    const auto total = static_cast<size_t>(std::min<int64_t>(
        int64_t{shape.components} * std::max(f.count, 1), size > 0 ? f.size / size : 0));
    std::vector<double> values;
    for (size_t i = 0; i < total; ++i) {
        // A colour word's bytes lie as B, G, R, A; it is read as a, r, g, b.
        const size_t at = shape.colour ? (i / 4) * 4 + 3 - i % 4 : i * static_cast<size_t>(size);
        double v = LoadComponent(shape.component, p + at);
        values.push_back(shape.angle ? v * kDegreesPerRadian : v);
    }
    if (values.size() == 1) {
        return values.front();
    }
    return values;
}

std::string Bounded(const uint8_t* p, size_t size) {
    const void* zero = std::memchr(p, 0, size);
    return std::string(reinterpret_cast<const char*>(p),
                       zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : size);
}

Value Special(const FieldDef& f, const uint8_t* p, const HaloPcMap& map) {
    switch (f.type) {
    case FieldType::String32:
        return Bounded(p, static_cast<size_t>(std::min<int64_t>(f.size, 32)));
    case FieldType::FourCC:
        return FourCCText(p);
    case FieldType::TagRef:
        return TargetOf(map, LoadU32(p + 12));
    case FieldType::TagId:
        return TargetOf(map, LoadU32(p));
    case FieldType::Data:
        return static_cast<double>(LoadI32(p));
    case FieldType::Enum16: {
        const int position = static_cast<int16_t>(LoadU16(p)) + (f.shiftedByOne ? 1 : 0);
        const bool named = position >= 0 && static_cast<size_t>(position) < f.options.size();
        return named ? f.options[static_cast<size_t>(position)]
                     : "(value " + std::to_string(position) + ")";
    }
    default: { // flags
        const int bits = f.type == FieldType::Flags8 ? 8 : f.type == FieldType::Flags16 ? 16 : 32;
        uint32_t word = 0;
        std::memcpy(&word, p, static_cast<size_t>(bits / 8));
        std::vector<std::string> set;
        for (int b = 0; b < bits; ++b) {
            if ((word >> b) & 1u) {
                const bool named = static_cast<size_t>(b) < f.bits.size() && !f.bits[b].empty();
                set.push_back(named ? f.bits[static_cast<size_t>(b)] : "bit " + std::to_string(b));
            }
        }
        return set;
    }
    }
}

FieldValue Read(const BlockAt& block, const FieldDef& f) {
    const int64_t at = block.offset + f.offset;
    const std::span<const uint8_t> file = block.map.bytes();
    if (!RangeFits(at, std::max<int64_t>(f.size, 0), file.size()) || f.size <= 0) {
        throw PelmarError(ErrorKind::BadMap, "the field \"" + f.name + "\" lies outside the file",
                          at);
    }
    FieldValue v{f.name, f.type, at, AddWrap(static_cast<int32_t>(at), block.map.Magic),
                 f.size, {},     {}};
    const bool needs16 = f.type == FieldType::TagRef;
    if (needs16 && f.size < 16) {
        throw PelmarError(ErrorKind::BadPlugin,
                          "the tag reference \"" + f.name + "\" is too short");
    }
    v.value = ShapeOf(f.type).component != Component::None
                  ? Numbers(f, file.data() + at)
                  : Special(f, file.data() + at, block.map);
    v.text = ValueText(v.value, f.type);
    return v;
}

FieldValue ReadBlock(const BlockAt& block, const StructDef& s) {
    const int64_t at = block.offset + s.offset;
    BlockValue b{ReadWord(block.map.bytes(), at, "a block's count"),
                 ReadWord(block.map.bytes(), at + 4, "a block's address")};
    FieldValue v{
        s.name, FieldType::Pad,         at, AddWrap(static_cast<int32_t>(at), block.map.Magic), 12,
        b,      std::to_string(b.count)};
    return v;
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& p : parts) {
        text += (text.empty() ? "" : ", ") + p;
    }
    return text;
}

} // namespace

std::string ValueText(const Value& value, FieldType type) {
    const NumericShape shape = ShapeOf(type);
    const Component c = shape.angle ? Component::None : shape.component;
    if (const double* d = std::get_if<double>(&value)) {
        return type == FieldType::Data ? NumberText(*d, Component::I32) + " bytes"
                                       : NumberText(*d, c);
    }
    if (const auto* list = std::get_if<std::vector<double>>(&value)) {
        std::vector<std::string> parts;
        for (double d : *list) {
            parts.push_back(NumberText(d, c));
        }
        return Joined(parts);
    }
    if (const std::string* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    if (const auto* names = std::get_if<std::vector<std::string>>(&value)) {
        return names->empty() ? "none" : Joined(*names);
    }
    if (const auto* tag = std::get_if<std::optional<TagTarget>>(&value)) {
        return *tag ? (*tag)->tagClass + ":" + (*tag)->name : "none";
    }
    return std::to_string(std::get<BlockValue>(value).count);
}

std::vector<FieldValue> ReadFields(const BlockAt& block) {
    std::vector<FieldValue> values;
    for (const FieldDef& f : block.layout.fields) {
        if (f.type != FieldType::Pad && !f.name.empty()) {
            values.push_back(Read(block, f));
        }
    }
    for (const StructDef& s : block.layout.structs) {
        values.push_back(ReadBlock(block, s));
    }
    std::stable_sort(values.begin(), values.end(),
                     [](const FieldValue& a, const FieldValue& b) { return a.offset < b.offset; });
    return values;
}

const FieldDef* FieldNamed(const StructDef& layout, std::string_view name) {
    const auto exact = std::find_if(layout.fields.begin(), layout.fields.end(),
                                    [&](const FieldDef& f) { return f.name == name; });
    if (exact != layout.fields.end()) {
        return &*exact;
    }
    const auto loose = std::find_if(layout.fields.begin(), layout.fields.end(),
                                    [&](const FieldDef& f) { return SameText(f.name, name); });
    return loose != layout.fields.end() ? &*loose : nullptr;
}

} // namespace pelmar
