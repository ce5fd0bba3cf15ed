#include "cli/CliTagSelection.h"
#include "cli/CliText.h"
#include "cli/CommandRegistry.h"
#include "map/HaloPcMap.h"
#include "platform/FileReader.h"
#include "platform/PelmarError.h"
#include "structview/ChunkPath.h"
#include "structview/ChunkTree.h"
#include "structview/DuplicationTarget.h"
#include "structview/TextValues.h"

#include <algorithm>
#include <memory>
#include <system_error>

namespace pelmar::cli {

namespace {

// The names of `rows`, for messages: "a, b, c", or "none".
std::string RowTexts(const std::vector<ChunkRow>& rows) {
    std::string texts;
    for (const ChunkRow& row : rows) {
        texts += (texts.empty() ? "" : ", ") + Printable(row.text);
    }
    return texts.empty() ? "none" : texts;
}

// The row of `rows` whose tag is `tag` (compared without regard to case).
const ChunkRow* FindRow(const std::vector<ChunkRow>& rows, RowKind kind, const std::string& tag) {
    auto it = std::find_if(rows.begin(), rows.end(), [&](const ChunkRow& row) {
        return row.kind == kind && SameText(row.tag, tag);
    });
    return it == rows.end() ? nullptr : &*it;
}

// Expands the rows along `chunkPath` from the root row, as a user of the window would, and
// returns the tag of the row it names.
std::string ExpandAlong(ChunkTree& tree, const HaloPcMap& map, const Tag& tag, const ChunkRow& root,
                        const std::string& chunkPath) {
    const std::vector<std::string_view> parts = Split(chunkPath, '>');
    if (!SameText(parts[0], root.tag)) {
        throw PelmarError("the chunk path " + Printable(chunkPath) +
                          " must start with the class of the tag's plugin, " + Printable(root.tag));
    }
    std::string current = root.tag;
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string name(parts[i].substr(0, parts[i].find(';')));
        const std::vector<ChunkRow> structs = tree.ExpandRow(map, tag, current);
        const ChunkRow* structRow = FindRow(structs, RowKind::Struct, StructRowTag(current, name));
        if (structRow == nullptr) {
            throw PelmarError("no struct " + Printable(name) + " under " + Printable(current) +
                              " in the chunk tree (its structs: " + RowTexts(structs) + ")");
        }
        const std::vector<ChunkRow> chunks = tree.ExpandRow(map, tag, structRow->tag);
        const ChunkRow* chunkRow =
            FindRow(chunks, RowKind::Chunk, current + ">" + std::string(parts[i]));
        if (chunkRow == nullptr) {
            throw PelmarError("no chunk " + Printable(std::string(parts[i])) + " under " +
                              Printable(current) +
                              " in the chunk tree (its rows: " + RowTexts(chunks) + ")");
        }
        current = chunkRow->tag;
    }
    return current;
}

// Nothing after the chunk tree reads the tags' data copies, which hold the whole file as it
// was loaded; letting go of them before the edit keeps the peak memory near one file's size
// instead of two.
void ReleaseTagData(HaloPcMap& map) {
    for (Tag& t : map.TagCache) {
        t.TagBlock = SharedBytes();
    }
}

struct DupOptions {
    std::string path;
    std::string tag;
    std::string chunkPath;
    std::string plugins;
};

void RunDup(const DupOptions& opts) {
    HaloPcMap map;
    map.LoadMap(opts.path);
    ChunkTree tree(PluginFolderOption(opts.plugins));
    const TagSelection selection = SelectTagOrThrow(tree, map, opts.tag);
    if (!selection.root) {
        throw PelmarError(selection.message);
    }
    const int32_t current = *map.FindTagByName(opts.tag);
    const Tag& tag = map.TagCache[static_cast<size_t>(current)];
    const std::string row = ExpandAlong(tree, map, tag, *selection.root, opts.chunkPath);
    ReleaseTagData(map);
    DuplicateSelectedChunk(map, tree, current, row);
    Out() << "Done\n";
}

const CommandRegistration kDup(35, [](CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "dup", "Duplicate a chunk: append a copy of it to its struct's array in the map file");
    auto opts = std::make_shared<DupOptions>();
    cmd->add_option("MAP", opts->path, "Map file, edited in place")->required();
    cmd->add_option("TAG", opts->tag, "The tag, as CLASS:NAME")->required();
    cmd->add_option("CHUNKPATH", opts->chunkPath,
                    "The chunk, as its path in the chunk tree (CLASS>STRUCT;N>STRUCT;N...)")
        ->required();
    cmd->add_option("--plugins", opts->plugins,
                    "Plugin folder (default: the plugins folder beside pelmar-cli)");
    cmd->callback([opts] { RunDup(*opts); });
});

} // namespace

} // namespace pelmar::cli
