// The debug trace MovraT.dbg: one record per BugMessage, appended across runs. Past
// about 1 MiB it is renamed MovraT.dbg.1 (the older one goes) and a new trace starts.
#pragma once
#include <functional>
#include <string>

#include "app/notice.h"

namespace movra {

// Opens DataRoot + "/Data/MovraT.dbg" for appending (creating it); on failure the
// general error "Can't open the file " + path + CR LF + reason is returned for the caller
// to show.
StepResult OpenTrace();
bool TraceOpen();
// Date and time, ":", the text, LF CR, then CR LF. Records from several threads never
// interleave. Does nothing before OpenTrace; never raises.
void BugMessage(const std::string& text);
void CloseTrace();

// Who is told when records stop reaching the trace (a full disk): once, until a record
// goes through again, with the general error "Error in BugMessage" and why. Called on the
// thread whose record failed. Nobody is told until the front end sets it; returns the
// previous one.
using TraceFailureHandler = std::function<void(const Notice&)>;
TraceFailureHandler SetTraceFailureHandler(TraceFailureHandler handler);

// Starts the line under "Error in BugMessage"; the trace's path and the reason follow.
extern const char* const kTraceNotWritten;

// The bytes of one record as written for the given moment (the midnight rule applied).
std::string TraceRecord(double when, const std::string& text);

}  // namespace movra
