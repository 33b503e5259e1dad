// The program's version and the date it was built, as the build configured them.
#pragma once

namespace movra {

// The project's version, e.g. "1.0.0".
const char* ProgramVersion();
// The build date as eight digits, yyyymmdd (UTC; SOURCE_DATE_EPOCH when the build set it).
const char* BuildDate();

}  // namespace movra
