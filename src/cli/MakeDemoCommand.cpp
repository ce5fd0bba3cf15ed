#include "cli/Cli.h"
#include "mapbuilder/RealisticMap.h"
#include "platform/SafeWriter.h"
#include "session/PluginCatalog.h"

#include <memory>

namespace pelmar::cli {

namespace {

struct MakeDemoOptions {
    std::string path;
    uint32_t version = 609;
    uint64_t sizeMb = 0;
    int32_t tags = 0;
    bool force = false;
    std::string plugins;
};

void MakeDemo(CliContext& context, const MakeDemoOptions& opts) {
    PluginCatalog plugins(PluginFolderOption(opts.plugins));
    plugins.ScanForPlugins();
    builder::RealisticOptions options;
    options.version = opts.version;
    options.targetBytes = opts.sizeMb << 20;
    options.tagCount = opts.tags;
    const builder::RealisticMap built =
        builder::BuildRealisticMap(options, [&](std::string_view tagClass) -> const PluginDef* {
            return plugins.HasPluginFor(tagClass) ? plugins.PluginFor(tagClass).get() : nullptr;
        });
    const std::span<const uint8_t> whole(built.bytes);
    WriteNewFile(opts.path, std::span(&whole, 1), opts.force);
    context.out << "Wrote " << opts.path << " (" << built.tags.size() << " tags, "
                << built.bytes.size() << " bytes)\n";
}

} // namespace

void AddMakeDemoCommand(CLI::App& app, CliContext& context) {
    auto* cmd = app.add_subcommand(
        "make-demo", "Write a demo map laid out like the game's own multiplayer maps");
    auto opts = std::make_shared<MakeDemoOptions>();
    cmd->add_option("OUT", opts->path, "Map file to write")->required();
    cmd->add_option("--version", opts->version, "609 (Custom Edition, the default) or 7 (retail)")
        ->check(CLI::IsMember({7u, 609u}));
    cmd->add_option("--size-mb", opts->sizeMb, "Grow the map to about this many MiB (benchmarks)")
        ->check(CLI::Range(uint64_t{1}, uint64_t{2000}));
    cmd->add_option("--tags", opts->tags, "About this many tags (with --size-mb)")
        ->check(CLI::Range(2, 65535));
    cmd->add_flag("--force", opts->force, "Replace OUT if it exists");
    cmd->add_option("--plugins", opts->plugins,
                    "Plugin folder (default: the plugins folder beside pelmar-cli)");
    cmd->callback([&context, opts] { MakeDemo(context, *opts); });
}

} // namespace pelmar::cli
