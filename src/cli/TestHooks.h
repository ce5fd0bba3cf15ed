#pragma once

namespace pelmar::cli {

// Reads PELMAR_TEST_WRITE_FAULT ("fail:N" or "kill:N") and arms the file writer's fault
// hook: the write of a map stops after N bytes, as a full disk or a crash would stop it.
// Used by the crash-injection tests; unset in normal use.
void InstallTestHooksFromEnvironment();

} // namespace pelmar::cli
