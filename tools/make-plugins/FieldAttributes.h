#pragma once

// The attributes and children of one non-block field's plugin element: name, offset, size, the
// optional attributes present in the layout, markers, enum options and flag bits.

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <string>

namespace makeplugins {

// Fails when `field` holds a key the generator does not know, so a new layout key is never
// dropped silently.
void CheckKnownKeys(const nlohmann::json& field, const std::string& where);

// Writes name, offset and `size` (given, since blocks use their element size).
void AddPlacement(pugi::xml_node node, const nlohmann::json& field, long long size);

// Writes the optional attributes present in `field`, then the markers attribute.
void AddOptionalAttributes(pugi::xml_node node, const nlohmann::json& field);

// Writes <option> children for enum16 and <bit> children for flags fields.
void AddValueNames(pugi::xml_node node, const nlohmann::json& field, const std::string& where);

} // namespace makeplugins
