#pragma once

#include "map/HaloPcMap.h"
#include "structview/PluginFolder.h"
#include "structview/PluginRegistry.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pelmar {

class FileReader;

enum class RowKind { Root, Struct, Chunk };

// One row that the chunk tree shows: its text, its hidden tag (a chunk path, or for a struct
// row a chunk path + "|" + struct name), whether it is added as a folder, and for root and
// chunk rows the file offset of the block it names (computed when the row is added).
struct ChunkRow {
    std::string text;
    std::string tag;
    RowKind kind = RowKind::Root;
    bool folder = false;
    std::optional<int32_t> offset;
};

// What selecting a row of the tag list gives the chunk tree.
struct TagSelection {
    // The root row "Main" when the plugin was installed; empty otherwise.
    std::optional<ChunkRow> root;
    // A message for the user when no root row could be made ("No internal nodes found.",
    // or a plugin file that is missing or malformed).
    std::string message;
};

// The chunk tree's logic, without widgets: the plugin registry of the selected tag's class
// and the expansion of rows. The window calls it from its handlers and adds the rows it
// returns.
class ChunkTree {
public:
    explicit ChunkTree(std::filesystem::path pluginFolder);

    const std::filesystem::path& pluginFolder() const { return pluginFolder_; }

    // A row of the tag list was selected; `tagRowTag` is its hidden tag. Returns nullopt when
    // it is not a tag row (a class row): then nothing changes. Otherwise sets TagClass, empties
    // the registry, parses the class's plugin and installs it.
    std::optional<TagSelection> SelectTag(const HaloPcMap& map, const std::string& tagRowTag);

    // The rows that expanding the row tagged `rowTag` adds, for the tag `tag` of `map`.
    // Registers the struct elements the new rows need. Throws PelmarError when the map file
    // cannot be read. A count that would run past the end of the file never yields more rows
    // than chunks that lie inside it; the last row then says how many were left out.
    std::vector<ChunkRow> ExpandRow(const HaloPcMap& map, const Tag& tag, const std::string& rowTag);

    // The file offset of the block that chunk path `path` names, given the file offset `n` of
    // the tag's data. Throws PelmarError when a pointer it must read lies outside the file.
    int32_t FindBaseOffset(const FileReader& file, int32_t magic, const std::string& path,
                           int32_t n) const;

    const std::string& TagClass() const { return tagClass_; }
    const PluginRegistry& registry() const { return registry_; }

    // True for the tag of a struct row (it contains "|").
    static bool IsStructRowTag(const std::string& rowTag);

private:
    std::filesystem::path pluginFolder_;
    std::string tagClass_;
    PluginRegistry registry_;
};

} // namespace pelmar
