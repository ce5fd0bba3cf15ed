#include "cli/Cli.h"

#include "cli/CliText.h"
#include "platform/Error.h"
#include "session/MapSession.h"

#include <new>

namespace pelmar::cli {

std::filesystem::path PluginFolderOption(const std::string& given) {
    if (!given.empty()) {
        return given;
    }
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path("plugins") : exe.parent_path() / "plugins";
}

std::unique_ptr<MapSession> OpenSession(const std::string& path, const std::string& pluginsOption,
                                        bool forEdit) {
    auto plugins = std::make_shared<PluginCatalog>(PluginFolderOption(pluginsOption));
    plugins->ScanForPlugins();
    auto session = std::make_unique<MapSession>(std::move(plugins));
    if (forEdit) {
        session->OpenForEdit(path);
    } else {
        session->Open(path);
    }
    return session;
}

void AddRelocationOption(CLI::App* cmd, std::string& mode) {
    cmd->add_option("--relocation", mode,
                    "How moved addresses are found: auto (default; precise when the plugins "
                    "describe every class of the map), precise, or scan (every word in range)")
        ->check(CLI::IsMember({"auto", "precise", "scan"}));
}

void UseRelocation(MapSession& session, const std::string& mode) {
    session.SetRelocationMode(mode == "precise" ? RelocationMode::Precise
                              : mode == "scan"  ? RelocationMode::Scan
                                                : RelocationMode::Auto);
}

void ReportOutcome(CliContext& context, const EditOutcome& outcome) {
    context.err << "pelmar-cli: " << Printable(outcome.relocation.reason) << "\n";
    for (const std::string& warning : outcome.warnings) {
        context.err << "pelmar-cli: warning: " << Printable(warning) << "\n";
    }
}

int32_t RequireTag(const MapSession& session, const std::string& key) {
    const std::optional<int32_t> index = session.map().FindTagByName(key);
    if (!index) {
        throw PelmarError(ErrorKind::NotFound,
                          "no tag " + Printable(key) + " (give CLASS:NAME as 'tags' lists it)")
            .InFile(session.path());
    }
    return *index;
}

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"pelmar-cli: inspect and edit PC map files from the command line"};
    app.require_subcommand(1);
    CliContext context{out, err};
    AddInfoCommand(app, context);
    AddTagsCommand(app, context);
    AddTreeCommand(app, context);
    AddDupCommand(app, context);
    AddImportCommand(app, context);
    AddGetCommand(app, context);
    AddSetCommand(app, context);
    AddUndoCommands(app, context);
    AddMakeDemoCommand(app, context);
    int status = 0;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
    } catch (const CLI::ParseError& e) {
        err << "pelmar-cli: " << e.what() << "\nRun 'pelmar-cli --help' for usage.\n";
        status = 2;
    } catch (const PelmarError& e) {
        err << "pelmar-cli: " << Describe(e) << "\n";
        status = 1;
    } catch (const std::bad_alloc&) {
        err << "pelmar-cli: out of memory\n";
        status = 1;
    } catch (const std::exception& e) {
        err << "pelmar-cli: " << e.what() << "\n";
        status = 1;
    }
    // A result that could not be written (a full disk, a closed pipe) is a failure, not a
    // success with missing output.
    out.flush();
    if (!out && status == 0) {
        err << "pelmar-cli: cannot write the output\n";
        status = 1;
    }
    return status;
}

} // namespace pelmar::cli
