#pragma once

// One plugin file: the XML document describing a tag class, and writing it to disk.

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <filesystem>
#include <string>

namespace makeplugins {

// Builds the plugin of the class `fourcc` from its layout entry `layout` (name, size, fields).
void BuildPlugin(pugi::xml_document& doc, const std::string& fourcc, const nlohmann::json& layout,
                 const nlohmann::json& structs);

// Writes `doc` to `path`, indented by two spaces, in UTF-8 with "\n" line ends.
void WritePlugin(const pugi::xml_document& doc, const std::filesystem::path& path);

} // namespace makeplugins
