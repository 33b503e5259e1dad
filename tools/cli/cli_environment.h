// What every movra-cli subcommand that touches the meter sets up first, as the window
// program does at start-up: the folders beside the executable, the trace when its folder
// exists, and a stop flag for Ctrl-C.
#pragma once

namespace movra::cli {

// PrepareFolders from the executable's folder, then OpenTrace when PTDATA/Data exists.
// Without that folder the tool goes on without a trace.
void PrepareCliEnvironment();

// SIGINT and SIGTERM set a flag instead of ending the process, so the port is closed.
void InstallInterruptFlag();
bool Interrupted();

}  // namespace movra::cli
