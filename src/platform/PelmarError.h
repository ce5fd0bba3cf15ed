#pragma once

#include <stdexcept>
#include <string>

namespace pelmar {

// The one exception type of the project. Its message is written for the user and is shown
// as it stands by the GUI and the CLI.
class PelmarError : public std::runtime_error {
public:
    explicit PelmarError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace pelmar
