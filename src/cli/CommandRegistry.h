#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

namespace pelmar::cli {

// Each subcommand lives in a file of its own and registers itself here through a static
// CommandRegistration; main() adds them all to the application in the order of `rank`.
struct CommandEntry {
    int rank;
    std::function<void(CLI::App&)> add;
};

std::vector<CommandEntry>& Commands();

struct CommandRegistration {
    CommandRegistration(int rank, std::function<void(CLI::App&)> add) {
        Commands().push_back({rank, std::move(add)});
    }
};

// Builds the application with every registered subcommand.
void AddAllCommands(CLI::App& app);

// Runs pelmar-cli with the given arguments, writing to `out` and `err`; returns the exit
// status (0 success, 1 error, 2 usage error).
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// The stream that subcommands print their results on while RunCli runs.
std::ostream& Out();

} // namespace pelmar::cli
