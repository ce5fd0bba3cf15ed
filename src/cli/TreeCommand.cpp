#include "cli/Cli.h"
#include "cli/CliText.h"
#include "cli/JsonWriter.h"
#include "platform/Error.h"
#include "session/MapSession.h"

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

// The row's hidden tag as the window keeps it: a chunk path, a struct row's path + "|" + name,
// or for a LeftOut row a tag that no path can be.
std::string RowTag(const std::string& tagClass, const ChunkRow& row) {
    switch (row.kind) {
    case RowKind::Struct:
        return FormatStructRowTag(tagClass, row.Path(), row.layout->name);
    case RowKind::LeftOut:
        return "|left out|";
    default:
        return FormatChunkPath(tagClass, row.Path());
    }
}

void PrintTreeJson(std::ostream& out, const std::string& tagClass,
                   const std::vector<TreeLine>& lines) {
    JsonWriter json(out);
    json.BeginObject().Key("rows").BeginArray();
    for (const TreeLine& line : lines) {
        // clang-format off
        json.BeginObject()
            .Key("depth").Int(line.depth)
            .Key("text").String(line.row.Text())
            .Key("tag").String(RowTag(tagClass, line.row))
            .Key("kind").String(KindName(line.row.kind))
            .Key("folder").Bool(line.row.folder)
            .Key("offset");
        // clang-format on
        if (line.row.offset) {
            json.Int(*line.row.offset);
        } else {
            json.Null();
        }
        json.EndObject();
    }
    json.EndArray().EndObject();
}

void PrintTreeText(std::ostream& out, const std::vector<TreeLine>& lines) {
    for (const TreeLine& line : lines) {
        out << std::string(2 * static_cast<size_t>(line.depth), ' ') << Printable(line.row.Text());
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

void RunTree(std::ostream& out, const TreeOptions& opts) {
    const auto session = OpenSession(opts.path, opts.plugins, false);
    const int32_t index = RequireTag(*session, opts.tag);
    const TagTree tree = session->SelectTag(index);
    std::vector<TreeLine> lines;
    if (tree.root) {
        try {
            lines = ExpandWholeTree(session->ViewOf(index, *tree.plugin), opts.maxRows);
        } catch (PelmarError& e) {
            throw e.InFile(session->path());
        }
    } else if (tree.message != kNoInternalNodes && session->map().TagCache[index].HasData()) {
        throw PelmarError(ErrorKind::BadPlugin, tree.message);
    }
    if (opts.json) {
        PrintTreeJson(out, tree.plugin ? tree.plugin->tagClass : std::string(), lines);
    } else if (lines.empty()) {
        out << Printable(tree.message) << "\n";
    } else {
        PrintTreeText(out, lines);
    }
}

} // namespace

void AddTreeCommand(CLI::App& app, CliContext& context) {
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
    cmd->callback([&context, opts] { RunTree(context.out, *opts); });
}

} // namespace pelmar::cli
