// The debug trace MovraT.dbg: one record per BugMessage, appended across runs. Past
// about 1 MiB it is renamed MovraT.dbg.1 (the older one goes) and a new trace starts.
#pragma once
#include <string>

namespace movra {

// Opens DataRoot + "/Data/MovraT.dbg" for appending (creating it); on failure shows
// "Can't open the file " + path + CR LF + reason and returns false.
bool OpenTrace();
bool TraceOpen();
// Date and time, ":", the text, LF CR, then CR LF. Records from several threads never
// interleave. Does nothing before OpenTrace; never raises.
void BugMessage(const std::string& text);
void CloseTrace();

// Starts the line under "Error in BugMessage"; the trace's path and the reason follow.
extern const char* const kTraceNotWritten;

// The bytes of one record as written for the given moment (the midnight rule applied).
std::string TraceRecord(double when, const std::string& text);

}  // namespace movra
