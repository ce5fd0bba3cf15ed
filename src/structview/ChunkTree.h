#pragma once

#include "map/ChunkDuplication.h"
#include "map/HaloPcMap.h"
#include "structview/ChunkRow.h"
#include "structview/PluginFolder.h"
#include "structview/PluginRegistry.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pelmar {

class FileReader;

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
    // At most this many chunk rows come from one expansion, unless SetExpansionLimit says
    // otherwise; the rest are counted in a last row.
    static constexpr size_t kDefaultExpansionLimit = 1'000'000;

    explicit ChunkTree(std::filesystem::path pluginFolder);

    const std::filesystem::path& pluginFolder() const { return pluginFolder_; }

    // A row of the tag list was selected; `tagRowTag` is its hidden tag. Returns nullopt when
    // it is not a tag row (a class row): then nothing changes. Otherwise sets TagClass, empties
    // the registry, parses the class's plugin and installs it. A plugin that cannot be read or
    // parsed, or that has no struct element, gives a message and no root row.
    std::optional<TagSelection> SelectTag(const HaloPcMap& map, const std::string& tagRowTag);

    // The rows that expanding the row tagged `rowTag` adds, for the tag `tag` of `map`.
    // Registers the struct elements the new rows need. Throws PelmarError naming the map file
    // when it cannot be read or when a count or pointer to read lies outside it. A struct's
    // chunk rows stop at the first chunk that does not lie inside the file, and at the
    // expansion limit; a last row (RowKind::LeftOut) then says how many were left out.
    std::vector<ChunkRow> ExpandRow(const HaloPcMap& map, const Tag& tag,
                                    const std::string& rowTag);

    // The file offset of the block that chunk path `path` names, given the file offset `n` of
    // the tag's data. Throws PelmarError when a pointer it must read lies outside the file.
    int32_t FindBaseOffset(const FileReader& file, int32_t magic, const std::string& path,
                           int32_t n) const;

    // What Duplicate copies for the chunk row tagged `path`: where its struct's reference
    // lies, the struct's chunk size and the chunk's index from 0, given the file offset `n` of
    // the tag's data. nullopt for the root row and for any row that is not a chunk row, which
    // have nothing to duplicate. Throws PelmarError like FindBaseOffset.
    std::optional<ChunkToDuplicate> LocateChunk(const FileReader& file, int32_t magic,
                                                const std::string& path, int32_t n) const;

    const std::string& TagClass() const { return tagClass_; }
    const PluginRegistry& registry() const { return registry_; }

    void SetExpansionLimit(size_t rows) { expansionLimit_ = rows; }
    size_t ExpansionLimit() const { return expansionLimit_; }

    // True for the tag of a struct row (it contains "|"), and for the tag of a LeftOut row.
    static bool IsStructRowTag(const std::string& rowTag);

private:
    std::filesystem::path pluginFolder_;
    std::string tagClass_;
    PluginRegistry registry_;
    size_t expansionLimit_ = kDefaultExpansionLimit;
};

} // namespace pelmar
