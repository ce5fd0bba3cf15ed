#include "cli/CommandRegistry.h"

#include "platform/PelmarError.h"

#include <algorithm>
#include <iostream>

namespace pelmar::cli {

namespace {
std::ostream* g_out = &std::cout;
}

std::vector<CommandEntry>& Commands() {
    static std::vector<CommandEntry> commands;
    return commands;
}

std::ostream& Out() {
    return *g_out;
}

void AddAllCommands(CLI::App& app) {
    std::vector<CommandEntry> sorted = Commands();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const CommandEntry& a, const CommandEntry& b) { return a.rank < b.rank; });
    for (const CommandEntry& entry : sorted) {
        entry.add(app);
    }
}

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"pelmar-cli: inspect and edit PC map files from the command line"};
    app.require_subcommand(1);
    AddAllCommands(app);
    g_out = &out;
    int status = 0;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        out << app.help();
        status = 0;
    } catch (const CLI::CallForAllHelp& e) {
        out << app.help("", CLI::AppFormatMode::All);
        status = 0;
    } catch (const CLI::ParseError& e) {
        err << "pelmar-cli: " << e.what() << "\n";
        err << "Run 'pelmar-cli --help' for usage.\n";
        status = 2;
    } catch (const PelmarError& e) {
        err << "pelmar-cli: " << e.what() << "\n";
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
    g_out = &std::cout;
    return status;
}

} // namespace pelmar::cli
