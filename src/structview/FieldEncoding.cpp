// Turning the text a user typed into the bytes of a field, refusing what does not fit.

#include "platform/Error.h"
#include "platform/Int32.h"
#include "platform/Words.h"
#include "structview/FieldKinds.h"
#include "structview/FieldValues.h"
#include "structview/TextValues.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <numbers>

namespace pelmar {

namespace {

[[noreturn]] void Refuse(const FieldDef& f, const std::string& problem) {
    throw PelmarError(ErrorKind::BadValue, "\"" + f.name + "\": " + problem);
}

std::string_view Trimmed(std::string_view text) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

// The comma-separated items of `text`, blanks around each trimmed.
std::vector<std::string_view> SplitItems(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t comma = text.find(','); comma != std::string_view::npos;
         comma = text.find(',', start)) {
        parts.push_back(Trimmed(text.substr(start, comma - start)));
        start = comma + 1;
    }
    parts.push_back(Trimmed(text.substr(start)));
    return parts;
}

double ParseNumber(const FieldDef& f, std::string_view text) {
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        Refuse(f, "\"" + std::string(text) + "\" is not a number");
    }
    return value;
}

void EncodeNumbers(const FieldDef& f, std::string_view text, std::vector<uint8_t>& out) {
    const NumericShape shape = ShapeOf(f.type);
    const int size = ComponentSize(shape.component);
    const auto want = static_cast<size_t>(f.size / size);
    const std::vector<std::string_view> parts = SplitItems(text);
    if (parts.size() != want) {
        Refuse(f, "give " + std::to_string(want) +
                      (want == 1 ? " number" : " numbers, separated by commas"));
    }
    for (size_t i = 0; i < want; ++i) {
        const double typed = ParseNumber(f, parts[i]);
        const double stored = shape.angle ? typed * std::numbers::pi / 180.0 : typed;
        if (!ComponentHolds(shape.component, stored)) {
            Refuse(f, std::string(parts[i]) + " is out of range for this field");
        }
        const size_t at = shape.colour ? (i / 4) * 4 + 3 - i % 4 : i * static_cast<size_t>(size);
        StoreComponent(shape.component, stored, out.data() + at);
    }
}

void EncodeEnum(const FieldDef& f, std::string_view text, std::vector<uint8_t>& out) {
    const auto it = std::find_if(f.options.begin(), f.options.end(),
                                 [&](const std::string& o) { return SameText(o, text); });
    if (it == f.options.end()) {
        std::string known;
        for (const std::string& o : f.options) {
            known += (known.empty() ? "" : ", ") + o;
        }
        Refuse(f, "\"" + std::string(text) + "\" is not one of its options (" + known + ")");
    }
    const auto stored = static_cast<int>(it - f.options.begin()) - (f.shiftedByOne ? 1 : 0);
    StoreComponent(Component::I16, stored, out.data());
}

void EncodeFlags(const FieldDef& f, std::string_view text, std::vector<uint8_t>& out) {
    const int bits = f.type == FieldType::Flags8 ? 8 : f.type == FieldType::Flags16 ? 16 : 32;
    uint32_t word = 0;
    for (std::string_view name : SplitItems(text)) {
        if (name.empty() || SameText(name, "none")) {
            continue;
        }
        int bit = -1;
        for (size_t b = 0; b < f.bits.size(); ++b) {
            bit = bit < 0 && SameText(f.bits[b], name) ? static_cast<int>(b) : bit;
        }
        if (bit < 0 && name.substr(0, 4) == "bit ") {
            bit = static_cast<int>(Val(name.substr(4)));
        }
        if (bit < 0 || bit >= bits) {
            Refuse(f, "\"" + std::string(name) + "\" is not one of its bits");
        }
        word |= 1u << bit;
    }
    std::memcpy(out.data(), &word, static_cast<size_t>(bits / 8));
}

// "class:name" of a tag of the map whose class the field allows; empty for "none".
std::optional<int32_t> TagNamed(const FieldDef& f, std::string_view text, const HaloPcMap& map) {
    if (SameText(text, "none")) {
        return std::nullopt;
    }
    const std::optional<int32_t> index = map.FindTagByName(text);
    if (!index) {
        Refuse(f, "the map has no tag \"" + std::string(text) + "\" (give class:name)");
    }
    const std::string& cls = map.TagCache[static_cast<size_t>(*index)].Class1;
    const bool allowed = f.classes.empty() ||
                         std::any_of(f.classes.begin(), f.classes.end(),
                                     [&](const std::string& c) { return c == "*" || c == cls; });
    if (!allowed) {
        std::string classes;
        for (const std::string& c : f.classes) {
            classes += (classes.empty() ? "" : ", ") + c;
        }
        Refuse(f, "a tag of class " + cls + " cannot go here (allowed: " + classes + ")");
    }
    return index;
}

void EncodeTagRef(const FieldDef& f, std::string_view text, const HaloPcMap& map,
                  std::vector<uint8_t>& out) {
    const std::optional<int32_t> index = TagNamed(f, text, map);
    if (!index) {
        StoreI32(out.data() + 4, 0);
        StoreI32(out.data() + 8, 0);
        StoreU32(out.data() + 12, 0xFFFFFFFFu);
        return;
    }
    const Tag& t = map.TagCache[static_cast<size_t>(*index)];
    std::string code = HaloPcMap::Reverse(t.Class1);
    std::memcpy(out.data(), code.data(), 4);
    StoreI32(out.data() + 4, AddWrap(t.NameOffset, map.Magic));
    StoreI32(out.data() + 8, static_cast<int32_t>(t.Name.size()));
    StoreU32(out.data() + 12, t.ident);
}

void EncodeText(const FieldDef& f, std::string_view text, std::vector<uint8_t>& out) {
    const size_t room = f.type == FieldType::FourCC ? 4 : out.size() - 1;
    if (f.type == FieldType::FourCC ? text.size() != 4 : text.size() > room) {
        Refuse(f, f.type == FieldType::FourCC
                      ? std::string("give exactly four characters")
                      : "at most " + std::to_string(room) + " characters fit");
    }
    if (f.type == FieldType::FourCC) {
        for (int i = 0; i < 4; ++i) { // stored as a little-endian word in reading order
            out[static_cast<size_t>(i)] = static_cast<uint8_t>(text[static_cast<size_t>(3 - i)]);
        }
        return;
    }
    std::fill(out.begin(), out.end(), 0);
    std::memcpy(out.data(), text.data(), text.size());
}

// The fewest bytes a field of `type` needs.
int64_t MinimumSize(FieldType type) {
    switch (type) {
    case FieldType::TagRef:
        return 16;
    case FieldType::TagId:
    case FieldType::FourCC:
    case FieldType::Flags32:
        return 4;
    case FieldType::Enum16:
    case FieldType::Flags16:
        return 2;
    default:
        return std::max(1, ComponentSize(ShapeOf(type).component));
    }
}

} // namespace

std::vector<uint8_t> EncodeField(const FieldDef& f, std::string_view typed, const HaloPcMap& map,
                                 std::span<const uint8_t> current) {
    const std::string_view text = Trimmed(typed);
    if (static_cast<int64_t>(current.size()) < MinimumSize(f.type)) {
        Refuse(f, "the plugin gives it too few bytes to hold a value");
    }
    std::vector<uint8_t> out(current.begin(), current.end());
    if (ShapeOf(f.type).component != Component::None) {
        EncodeNumbers(f, text, out);
        return out;
    }
    switch (f.type) {
    case FieldType::Enum16:
        EncodeEnum(f, text, out);
        break;
    case FieldType::Flags8:
    case FieldType::Flags16:
    case FieldType::Flags32:
        EncodeFlags(f, text, out);
        break;
    case FieldType::TagRef:
        EncodeTagRef(f, text, map, out);
        break;
    case FieldType::TagId: {
        const std::optional<int32_t> index = TagNamed(f, text, map);
        StoreU32(out.data(), index ? map.TagCache[static_cast<size_t>(*index)].ident : 0xFFFFFFFFu);
        break;
    }
    case FieldType::String32:
    case FieldType::FourCC:
        EncodeText(f, typed, out);
        break;
    default:
        Refuse(f, std::string(FieldTypeName(f.type)) +
                      " fields are not edited as values (blocks grow with Duplicate)");
    }
    return out;
}

} // namespace pelmar
