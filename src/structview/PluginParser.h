#pragma once

#include "structview/PluginDefinition.h"

#include <string_view>

namespace pelmar {

// Plugin structs nested deeper than this are refused: real layouts go four levels deep, and
// every level multiplies the work of walking a tree.
inline constexpr int kMaxPluginDepth = 64;

// Parses the text of a plugin file into its typed tree. The root is the document's first
// element; its `class`, `headersize` and `complete` attributes are read. Elements named
// "struct" (any letter case) are structs, with `name`, `offset`, `size` and `max`; elements
// named after a field type are fields, with `name`, `offset`, `size`, `count`, `bounds`,
// `shifted`, `classes` (comma-separated), `max`, and `option`/`bit` children. Numbers are
// read as leading decimal digits ("16abc" is 16, "" is 0). Every other element, attribute
// and node is ignored.
//
// Throws PelmarError (BadPlugin) when the text is not well-formed XML (with the line), holds
// no element, nests structs deeper than kMaxPluginDepth, or gives a struct name that holds
// ">", "|" or ";".
//
// With PluginDetail::Addresses, only what a walk over the map's addresses reads is kept: the
// root's attributes, every struct as above, and of the fields only the tag references, data
// fields and tag ids, with their type and offset (nothing else of them is read). Such a
// layout is refused exactly when the whole plugin is.
enum class PluginDetail { Everything, Addresses };
PluginDef ParsePlugin(std::string_view text, PluginDetail detail = PluginDetail::Everything);

} // namespace pelmar
