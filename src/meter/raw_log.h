// The raw-data log MovraTRaw.txt: every wire byte and every step of a transfer, one line
// each, from the owner thread and the transfer thread alike. Both logs, like every Tlog
// file, move to ".1" when they pass about 1 MiB, so they stay bounded.
#pragma once
#include <string>

namespace movra {

// Appends one line (the text as it is, or its hex when asHex). A failure is traced with
// "Write Log Error in FillMeterData!" and returns false; it never stops a transfer.
bool WriteRawLog(const std::string& text, const std::string& prefix, bool asHex);

// The received-bytes log COMMDATA.txt: one hex line per chunk. Raises TlogError on failure.
void WriteCommDataLog(const std::string& chunk);

}  // namespace movra
