#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

namespace pelmar {

// Plugin files larger than this are refused: a structure definition is a few kilobytes.
inline constexpr uint64_t kMaxPluginFileSize = uint64_t{64} << 20;

// The plugin file of class `tagClass` in `folder`: `tagClass` + ".ent". Class codes are raw
// bytes from the map; one that cannot be a single file name there (it holds "/" or a zero
// byte) throws PelmarError, so a map can never make us open a file outside the folder.
std::filesystem::path PluginFilePath(const std::filesystem::path& folder,
                                     std::string_view tagClass);

// Reads and parses the plugin file at `path`, without whitespace text nodes. Throws
// PelmarError naming the file when it cannot be read, when it is not well-formed XML (with the
// parser's description and line) or when it holds no element.
std::shared_ptr<pugi::xml_document> ParsePluginFile(const std::filesystem::path& path);

// The root of a plugin: the document's first child node when it is an element, otherwise its
// first element (a comment or processing instruction may come first). Empty when there is none.
pugi::xml_node PluginRoot(const pugi::xml_document& doc);

// The 1-based line of byte `offset` in `text`.
int64_t LineAt(std::string_view text, int64_t offset);

} // namespace pelmar
