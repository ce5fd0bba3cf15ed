#include "cli/TestHooks.h"

#include "platform/AtomicFileWriter.h"

#include <cstdlib>
#include <string>

namespace pelmar::cli {

void InstallTestHooksFromEnvironment() {
    const char* value = std::getenv("PELMAR_TEST_WRITE_FAULT");
    if (value == nullptr) {
        return;
    }
    const std::string text = value;
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        return;
    }
    WriteFault fault;
    fault.action =
        text.substr(0, colon) == "kill" ? WriteFault::Action::Kill : WriteFault::Action::Fail;
    fault.afterBytes = std::strtoull(text.c_str() + colon + 1, nullptr, 10);
    SetWriteFaultForTesting(fault);
}

} // namespace pelmar::cli
