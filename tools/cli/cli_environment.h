// What every movra-cli subcommand that touches the meter sets up first, as the window
// program does at start-up: the folders beside the executable and the trace when its
// folder exists.
#pragma once

namespace movra::cli {

// PrepareFolders from the executable's folder, then OpenTrace when PTDATA/Data exists.
// Without that folder the tool goes on without a trace.
void PrepareCliEnvironment();

}  // namespace movra::cli
