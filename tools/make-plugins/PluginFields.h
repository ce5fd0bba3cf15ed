#pragma once

// Turns the fields of a layout into plugin elements: one element per field, named after the
// field's type, with blocks as nested <struct> elements holding their element struct's fields.

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <string>

namespace makeplugins {

// Appends one child of `parent` per entry of `fields`, in offset order. `structs` maps struct
// names to {size, fields}; `where` names the enclosing class or block in error messages.
// Throws std::runtime_error when the layout breaks a rule of the plugin vocabulary.
void AppendFields(pugi::xml_node parent, const nlohmann::json& fields,
                  const nlohmann::json& structs, const std::string& where);

} // namespace makeplugins
