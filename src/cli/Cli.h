#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

namespace pelmar {
class MapSession;
struct EditOutcome;
class PluginCatalog;
} // namespace pelmar

namespace pelmar::cli {

// What every subcommand works with while pelmar-cli runs.
struct CliContext {
    std::ostream& out; // results
    std::ostream& err; // notes and warnings; errors are written by RunCli
};

// The subcommands, each added to the application by its own file.
void AddInfoCommand(CLI::App& app, CliContext& context);
void AddTagsCommand(CLI::App& app, CliContext& context);
void AddTreeCommand(CLI::App& app, CliContext& context);
void AddDupCommand(CLI::App& app, CliContext& context);
void AddImportCommand(CLI::App& app, CliContext& context);
void AddMakeDemoCommand(CLI::App& app, CliContext& context);
void AddGetCommand(CLI::App& app, CliContext& context);
void AddSetCommand(CLI::App& app, CliContext& context);
void AddUndoCommands(CLI::App& app, CliContext& context);

// Runs pelmar-cli with the given arguments, writing to `out` and `err`; returns the exit
// status (0 success, 1 error, 2 usage error).
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// The plugin folder a command uses: the one given with --plugins, otherwise the folder
// "plugins" beside this executable, where the window looks too.
std::filesystem::path PluginFolderOption(const std::string& given);

// A session on the plugin folder of `pluginsOption`, with the map at `path` open (and, for an
// edit, locked from the read on).
std::unique_ptr<MapSession> OpenSession(const std::string& path, const std::string& pluginsOption,
                                        bool forEdit);

// Adds --relocation auto|precise|scan to `cmd`, stored in `mode`.
void AddRelocationOption(CLI::App* cmd, std::string& mode);
// Applies the --relocation choice to `session`.
void UseRelocation(MapSession& session, const std::string& mode);
// Writes the outcome's notes to standard error: which relocation was used and why, and the
// warnings.
void ReportOutcome(CliContext& context, const EditOutcome& outcome);

// The index of the tag CLASS:NAME in the session's map; throws PelmarError (NotFound) naming
// the map when it has none.
int32_t RequireTag(const MapSession& session, const std::string& key);

} // namespace pelmar::cli
