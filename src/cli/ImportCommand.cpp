#include "cli/Cli.h"
#include "cli/CliText.h"
#include "platform/Error.h"
#include "session/MapSession.h"

#include <memory>

namespace pelmar::cli {

namespace {

struct ImportOptions {
    std::string map;
    std::string source;
    std::string tag; // CLASS:NAME
    std::string plugins;
    std::string relocation = "auto";
};

void RunImport(CliContext& context, const ImportOptions& opts) {
    const auto session = OpenSession(opts.map, opts.plugins, true);
    UseRelocation(*session, opts.relocation);
    // The map itself serves as the source when both name the same file.
    std::error_code ec;
    std::unique_ptr<MapSession> other;
    if (!std::filesystem::equivalent(opts.map, opts.source, ec)) {
        other = OpenSession(opts.source, "", false);
    }
    const MapSession& source = other ? *other : *session;
    const int32_t n = RequireTag(source, opts.tag);
    const EditOutcome outcome = session->Import(source.map(), n);
    ReportOutcome(context, outcome);
    context.out << "Done\n" << Printable(outcome.summary) << "\n";
}

} // namespace

void AddImportCommand(CLI::App& app, CliContext& context) {
    auto* cmd = app.add_subcommand("import", "Copy a tag, with its name and data, from another "
                                             "map into MAP");
    auto opts = std::make_shared<ImportOptions>();
    cmd->add_option("MAP", opts->map, "Map file that receives the tag")->required();
    cmd->add_option("SOURCE_MAP", opts->source, "Map file to copy the tag from")->required();
    cmd->add_option("CLASS:NAME", opts->tag, "The tag to copy, e.g. weap:weapons\\pistol\\pistol")
        ->required();
    cmd->add_option("--plugins", opts->plugins,
                    "Plugin folder (default: the plugins folder beside pelmar-cli)");
    AddRelocationOption(cmd, opts->relocation);
    cmd->callback([&context, opts] { RunImport(context, *opts); });
}

} // namespace pelmar::cli
