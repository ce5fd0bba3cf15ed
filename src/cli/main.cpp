#include "cli/CommandRegistry.h"
#include "cli/TestHooks.h"

#include <iostream>

int main(int argc, char** argv) {
    pelmar::cli::InstallTestHooksFromEnvironment();
    return pelmar::cli::RunCli(argc, argv, std::cout, std::cerr);
}
