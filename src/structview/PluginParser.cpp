#include "structview/PluginParser.h"

#include "platform/Error.h"
#include "structview/TextValues.h"

#include <pugixml.hpp>

#include <algorithm>
#include <string>

namespace pelmar {

namespace {

// Comments and processing instructions are kept as nodes, as the document's own structure;
// text made only of whitespace is not.
constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_comments | pugi::parse_pi;

[[noreturn]] void Fail(const std::string& problem) {
    throw PelmarError(ErrorKind::BadPlugin, problem);
}

std::string_view Attribute(pugi::xml_node node, const char* name) {
    return node.attribute(name).value();
}

int64_t Number(pugi::xml_node node, const char* name) {
    return Val(Attribute(node, name));
}

bool Flag(pugi::xml_node node, const char* name) {
    return SameText(Attribute(node, name), "true");
}

std::vector<std::string> CommaList(std::string_view text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size() && !text.empty()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        items.emplace_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

// The names of the `option` or `bit` children, each at its `value` or `index`.
std::vector<std::string> NamedChildren(pugi::xml_node node, const char* element, const char* key) {
    std::vector<std::string> names;
    for (pugi::xml_node child : node.children()) {
        if (child.type() != pugi::node_element || !SameText(child.name(), element)) {
            continue;
        }
        const int64_t at = Number(child, key);
        if (at < 0 || at >= 64) {
            continue; // no enum or flags field has more than 64 options or bits
        }
        if (names.size() <= static_cast<size_t>(at)) {
            names.resize(static_cast<size_t>(at) + 1);
        }
        names[static_cast<size_t>(at)] = Attribute(child, "name");
    }
    return names;
}

// The attributes of a field element, read in one pass over them (plugins hold thousands of
// fields). Of an attribute given twice the first counts, as a lookup by name finds it; one
// not given has no data.
struct FieldAttributes {
    std::string_view name, offset, count, size, bounds, shifted, max, classes;

    explicit FieldAttributes(pugi::xml_node node) {
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
            const std::string_view key = a.name();
            std::string_view* slot = key == "name"      ? &name
                                     : key == "offset"  ? &offset
                                     : key == "count"   ? &count
                                     : key == "size"    ? &size
                                     : key == "bounds"  ? &bounds
                                     : key == "shifted" ? &shifted
                                     : key == "max"     ? &max
                                     : key == "classes" ? &classes
                                                        : nullptr;
            if (slot != nullptr && slot->data() == nullptr) {
                *slot = a.value();
            }
        }
    }
};

FieldDef ReadField(pugi::xml_node node, FieldType type) {
    const FieldAttributes a(node);
    FieldDef f;
    f.name = a.name;
    f.type = type;
    f.offset = Val(a.offset);
    f.count = static_cast<int32_t>(std::clamp<int64_t>(Val(a.count), 1, 1 << 16));
    // A field without a size holds one value (or `count` values) of its type.
    f.size = a.size.data() == nullptr ? NaturalSize(type) * f.count : Val(a.size);
    f.bounds = SameText(a.bounds, "true");
    f.shiftedByOne = SameText(a.shifted, "true");
    f.max = Val(a.max);
    f.classes = CommaList(a.classes);
    if (type == FieldType::Enum16) {
        f.options = NamedChildren(node, "option", "value");
    } else if (type == FieldType::Flags8 || type == FieldType::Flags16 ||
               type == FieldType::Flags32) {
        f.bits = NamedChildren(node, "bit", "index");
    }
    return f;
}

void ReadChildren(pugi::xml_node node, StructDef& into, int depth, PluginDetail detail);

StructDef ReadStruct(pugi::xml_node node, int depth, PluginDetail detail) {
    if (depth > kMaxPluginDepth) {
        Fail("structs are nested more than " + std::to_string(kMaxPluginDepth) + " deep");
    }
    StructDef s;
    s.name = Attribute(node, "name");
    if (s.name.find_first_of(">|;") != std::string::npos) {
        Fail("the struct name \"" + s.name + "\" holds \">\", \"|\" or \";\"");
    }
    s.offset = Number(node, "offset");
    s.hasSize = !node.attribute("size").empty();
    s.size = Number(node, "size");
    s.max = Number(node, "max");
    ReadChildren(node, s, depth, detail);
    return s;
}

bool HoldsAddress(FieldType type) {
    return type == FieldType::TagRef || type == FieldType::Data || type == FieldType::TagId;
}

// The type and offset of a field, all that a walk over addresses reads of it.
FieldDef ReadPlace(pugi::xml_node node, FieldType type) {
    FieldDef f;
    f.type = type;
    f.offset = Number(node, "offset");
    return f;
}

void ReadChildren(pugi::xml_node node, StructDef& into, int depth, PluginDetail detail) {
    for (pugi::xml_node child : node.children()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        const std::string_view name = child.name();
        if (SameText(name, "struct")) {
            into.structs.push_back(ReadStruct(child, depth + 1, detail));
        } else if (const std::optional<FieldType> type = FieldTypeNamed(name)) {
            if (detail == PluginDetail::Everything) {
                into.fields.push_back(ReadField(child, *type));
            } else if (HoldsAddress(*type)) {
                into.fields.push_back(ReadPlace(child, *type));
            }
        }
    }
    for (size_t i = 0; i < into.fields.size(); ++i) {
        if (HoldsAddress(into.fields[i].type)) {
            into.addressFields.push_back(static_cast<uint32_t>(i));
        }
    }
}

int64_t LineAt(std::string_view text, ptrdiff_t offset) {
    const auto end = static_cast<size_t>(std::clamp<ptrdiff_t>(offset, 0, ptrdiff_t(text.size())));
    return 1 + std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(end), '\n');
}

// The root: the document's first child node when it is an element, otherwise its first
// element (a comment or processing instruction may come first).
pugi::xml_node RootOf(const pugi::xml_document& doc) {
    const pugi::xml_node first = doc.first_child();
    if (first.type() == pugi::node_element) {
        return first;
    }
    return doc.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; });
}

} // namespace

PluginDef ParsePlugin(std::string_view text, PluginDetail detail) {
    pugi::xml_document doc;
    const pugi::xml_parse_result result =
        doc.load_buffer(text.data(), text.size(), kParseFlags, pugi::encoding_auto);
    if (!result) {
        Fail(std::string("not a well-formed plugin file: ") + result.description() + " at line " +
             std::to_string(LineAt(text, result.offset)));
    }
    const pugi::xml_node root = RootOf(doc);
    if (!root) {
        Fail("the plugin file holds no element");
    }
    PluginDef plugin;
    plugin.tagClass = Attribute(root, "class");
    plugin.headerSize = Number(root, "headersize");
    plugin.complete = Flag(root, "complete");
    ReadChildren(root, plugin.root, 0, detail);
    return plugin;
}

} // namespace pelmar
