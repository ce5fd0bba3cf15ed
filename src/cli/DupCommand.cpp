#include "cli/Cli.h"
#include "cli/CliText.h"
#include "platform/Error.h"
#include "session/MapSession.h"

namespace pelmar::cli {

namespace {

struct DupOptions {
    std::string path;
    std::string tag;
    std::string chunkPath;
    std::string plugins;
    std::string relocation = "auto";
    bool deep = false;
};

void RunDup(CliContext& context, const DupOptions& opts) {
    const auto session = OpenSession(opts.path, opts.plugins, true);
    UseRelocation(*session, opts.relocation);
    const int32_t index = RequireTag(*session, opts.tag);
    const TagTree tree = session->SelectTag(index);
    if (!tree.plugin) {
        throw PelmarError(ErrorKind::BadPlugin, tree.message);
    }
    const ChunkPath path = ParseChunkPath(opts.chunkPath, tree.plugin->tagClass);
    const EditOutcome outcome = session->Duplicate(index, path, opts.deep);
    ReportOutcome(context, outcome);
    context.out << "Done\n";
}

} // namespace

void AddDupCommand(CLI::App& app, CliContext& context) {
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
    AddRelocationOption(cmd, opts->relocation);
    cmd->add_flag("--deep", opts->deep,
                  "Copy the chunk's sub-blocks and data along (needs precise relocation)");
    cmd->callback([&context, opts] { RunDup(context, *opts); });
}

} // namespace pelmar::cli
