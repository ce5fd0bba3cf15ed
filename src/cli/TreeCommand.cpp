#include "cli/CliTagSelection.h"
#include "cli/CliText.h"
#include "cli/CommandRegistry.h"
#include "cli/JsonWriter.h"
#include "map/HaloPcMap.h"
#include "platform/FileReader.h"
#include "platform/PelmarError.h"
#include "structview/ChunkTree.h"
#include "structview/WholeTree.h"

#include <memory>
#include <system_error>

namespace pelmar::cli {

namespace {

const char* KindName(RowKind kind) {
    switch (kind) {
    case RowKind::Root:
        return "root";
    case RowKind::Struct:
        return "struct";
    case RowKind::Chunk:
        return "chunk";
    case RowKind::LeftOut:
        break;
    }
    return "leftout";
}

void PrintTreeJson(const std::vector<TreeLine>& lines) {
    JsonWriter json(Out());
    json.BeginObject().Key("rows").BeginArray();
    for (const TreeLine& line : lines) {
        json.BeginObject()
            .Key("depth")
            .Int(line.depth)
            .Key("text")
            .String(line.row.text)
            .Key("tag")
            .String(line.row.tag)
            .Key("kind")
            .String(KindName(line.row.kind))
            .Key("folder")
            .Bool(line.row.folder)
            .Key("offset");
        if (line.row.offset) {
            json.Int(*line.row.offset);
        } else {
            json.Null();
        }
        json.EndObject();
    }
    json.EndArray().EndObject();
}

void PrintTreeText(const std::vector<TreeLine>& lines) {
    std::ostream& out = Out();
    for (const TreeLine& line : lines) {
        out << std::string(2 * static_cast<size_t>(line.depth), ' ') << Printable(line.row.text);
        if (line.row.offset) {
            out << "  (offset " << *line.row.offset << ")";
        }
        out << "\n";
    }
}

struct TreeOptions {
    std::string path;
    std::string tag;
    std::string plugins;
    bool json = false;
    size_t maxRows = 1'000'000;
};

void RunTree(const TreeOptions& opts) {
    HaloPcMap map;
    map.LoadMap(opts.path);
    ChunkTree tree(PluginFolderOption(opts.plugins));
    const TagSelection selection = SelectTagOrThrow(tree, map, opts.tag);
    std::vector<TreeLine> lines;
    if (selection.root) {
        const Tag& tag = map.TagCache[static_cast<size_t>(*map.FindTagByName(opts.tag))];
        lines = ExpandWholeTree(tree, map, tag, *selection.root, opts.maxRows);
    } else if (selection.message != kNoInternalNodes) {
        throw PelmarError(selection.message);
    }
    if (opts.json) {
        PrintTreeJson(lines);
    } else if (lines.empty()) {
        Out() << kNoInternalNodes << "\n";
    } else {
        PrintTreeText(lines);
    }
}

const CommandRegistration kTree(30, [](CLI::App& app) {
    auto* cmd =
        app.add_subcommand("tree", "Print a tag's chunk tree with every struct and chunk expanded");
    auto opts = std::make_shared<TreeOptions>();
    cmd->add_option("MAP", opts->path, "Map file")->required();
    cmd->add_option("TAG", opts->tag, "The tag, as CLASS:NAME")->required();
    cmd->add_option("--plugins", opts->plugins,
                    "Plugin folder (default: the plugins folder beside pelmar-cli)");
    cmd->add_flag("--json", opts->json, "Print one JSON object for scripts");
    cmd->add_option("--max-rows", opts->maxRows,
                    "Refuse trees of more rows than this (default 1000000)")
        ->check(CLI::Range(size_t{1}, size_t{100'000'000}));
    cmd->callback([opts] { RunTree(*opts); });
});

} // namespace

} // namespace pelmar::cli
