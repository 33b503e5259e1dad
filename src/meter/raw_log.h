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

// From KeepLineLogsOpen until the matching CloseLineLogs both logs stay open: a transfer
// writes several lines a record, and an open of the file for each line is what costs (on
// Windows every open is scanned by a virus scanner, too). Every line is still flushed as it
// is written, and rotation is unchanged. Outside these calls each line opens its file.
void KeepLineLogsOpen();
void CloseLineLogs();

}  // namespace movra
