#pragma once

#include <map>
#include <string>
#include <vector>

namespace pelmar::test {

// How a child process ended.
struct ChildExit {
    bool killed = false; // ended by a signal
    int signal = 0;
    int status = 0; // exit status when not killed
};

// Runs `program` with `args` in a child process, with the extra environment variables
// `env`, standard output and error discarded; waits for it.
ChildExit RunChild(const std::string& program, const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& env);

} // namespace pelmar::test
