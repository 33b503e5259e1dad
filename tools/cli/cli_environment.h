// What movra-cli subcommands set up first, through the start-up the window shares: the
// folders beside the executable, and the trace or the whole data module.
#pragma once
#include <memory>

#include "data/data_module.h"

namespace movra::cli {

// The folders and settings, then the trace when PTDATA/Data exists. Without that folder
// the tool goes on without a trace.
void PrepareCliEnvironment();

// Start-up as the window's: the single-instance test, the folders, then the data module
// (trace and database, which holds the lock while connected). nullptr when the program
// must not go on; the messages have been shown on stderr.
std::unique_ptr<TDM> OpenProgramDatabase();

}  // namespace movra::cli
