#include "cli/CommandRegistry.h"
#include "mapbuilder/DemoMap.h"

#include <memory>

namespace pelmar::cli {

namespace {

struct MakeDemoOptions {
    std::string path;
    uint64_t sizeMb = 0;
    int32_t tags = 8000;
};

const CommandRegistration kMakeDemo(90, [](CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "make-demo", "Write the demo map (or, with --size-mb, a large map for benchmarks)");
    auto opts = std::make_shared<MakeDemoOptions>();
    cmd->add_option("OUT", opts->path, "Map file to write")->required();
    cmd->add_option("--size-mb", opts->sizeMb, "Write a map of about this many MiB instead")
        ->check(CLI::Range(uint64_t{1}, uint64_t{2000}));
    cmd->add_option("--tags", opts->tags, "Number of tags of the large map")
        ->check(CLI::Range(2, 1000000));
    cmd->callback([opts] {
        const builder::MapSpec blueprint =
            opts->sizeMb == 0 ? builder::DemoMapSpec()
                              : builder::LargeMapSpec(opts->sizeMb << 20, opts->tags);
        const builder::BuiltMap built = builder::BuildMap(blueprint);
        builder::WriteBytes(opts->path, built.bytes);
        Out() << "Wrote " << opts->path << " (" << built.tags.size() << " tags, "
              << built.bytes.size() << " bytes)\n";
    });
});

} // namespace

} // namespace pelmar::cli
