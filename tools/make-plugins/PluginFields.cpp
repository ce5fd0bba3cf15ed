#include "PluginFields.h"

#include "FieldAttributes.h"

#include <algorithm>
#include <array>
#include <set>
#include <stdexcept>
#include <string_view>

namespace makeplugins {

namespace {

using nlohmann::json;

// Element names of the fields other than blocks: the types a plugin reader understands.
constexpr std::array<std::string_view, 36> kValueTypes = {
    "int8",         "uint8",       "int16",       "uint16",     "int32",     "uint32",
    "float",        "angle",       "fraction",    "index",      "tag_id",    "fourcc",
    "string32",     "tagref",      "data",        "color_argb", "color_rgb", "color_argb_int",
    "point2d",      "point3d",     "point2d_int", "vector2d",   "vector3d",  "euler2d",
    "euler3d",      "rectangle2d", "quaternion",  "matrix",     "plane2d",   "plane3d",
    "script_value", "enum16",      "flags8",      "flags16",    "flags32",   "pad"};

// Characters that the plugin reader uses to build paths of nested struct names.
constexpr const char* kReservedInStructNames = ">|;";

void CheckStructName(const std::string& name, std::set<std::string>& siblings,
                     const std::string& where) {
    if (name.find_first_of(kReservedInStructNames) != std::string::npos) {
        throw std::runtime_error(where + ": block name \"" + name + "\" holds one of " +
                                 kReservedInStructNames);
    }
    if (!siblings.insert(name).second) {
        throw std::runtime_error(where + ": two blocks are named \"" + name + "\"");
    }
}

// The element struct of a block field, after checking that its size is the element size.
const json& ElementStruct(const json& field, const json& structs, const std::string& where) {
    const std::string structName = field.at("struct").get<std::string>();
    if (!structs.contains(structName)) {
        throw std::runtime_error(where + ": no struct named \"" + structName + "\"");
    }
    const json& element = structs.at(structName);
    if (element.at("size") != field.at("element_size")) {
        throw std::runtime_error(where + ": struct \"" + structName +
                                 "\" is not as large as the block's element size");
    }
    return element;
}

void AppendBlock(pugi::xml_node parent, const json& field, const json& structs,
                 const std::string& where) {
    const std::string path = where + " > " + field.at("name").get<std::string>();
    const json& element = ElementStruct(field, structs, path);
    pugi::xml_node node = parent.append_child("struct");
    AddPlacement(node, field, field.at("element_size").get<long long>());
    AddOptionalAttributes(node, field);
    AppendFields(node, element.at("fields"), structs, path);
}

void AppendValue(pugi::xml_node parent, const json& field, const std::string& where) {
    const std::string type = field.at("type").get<std::string>();
    if (std::find(kValueTypes.begin(), kValueTypes.end(), type) == kValueTypes.end()) {
        throw std::runtime_error(where + ": unknown field type \"" + type + "\"");
    }
    pugi::xml_node node = parent.append_child(type.c_str());
    AddPlacement(node, field, field.at("size").get<long long>());
    AddOptionalAttributes(node, field);
    AddValueNames(node, field, where + " > " + field.at("name").get<std::string>());
}

} // namespace

void AppendFields(pugi::xml_node parent, const json& fields, const json& structs,
                  const std::string& where) {
    std::set<std::string> blockNames;
    long long previousOffset = 0;
    for (const json& field : fields) {
        CheckKnownKeys(field, where);
        const long long offset = field.at("offset").get<long long>();
        if (offset < previousOffset) {
            throw std::runtime_error(where + ": fields are not in offset order");
        }
        previousOffset = offset;
        if (field.at("type") == "block") {
            CheckStructName(field.at("name").get<std::string>(), blockNames, where);
            AppendBlock(parent, field, structs, where);
        } else {
            AppendValue(parent, field, where);
        }
    }
}

} // namespace makeplugins
