// The file an export writes: the name the user typed with the kind's extension, and
// whether what is there now may be replaced by a file at all.
#pragma once
#include <optional>
#include <string>

namespace movra {

// The name as typed when it already ends in ".csv" (any case), else the name + ".csv".
std::string CsvTargetName(const std::string& typed);
// The name as typed when it already ends in ".xls" (any case), else the name + ".xls",
// as a spreadsheet program's Save As names a workbook.
std::string ExcelTargetName(const std::string& typed);

// Why nothing can be written at `path` because something other than a regular file is
// there (a folder, a named pipe, a device, a socket; a link counts as what it leads to),
// in words for the user; nothing when the path is free or holds a regular file. Looks
// at the path only and never opens it, so a pipe or a device cannot block the program.
std::optional<std::string> NotARegularFile(const std::string& path);

// The message of the general error display for a file that cannot be created:
// Cannot create file "<path>". <reason>
std::string CannotCreateFileText(const std::string& path, const std::string& reason);

// The line under "The selected file is in use!" for a file marked unchangeable (immutable).
extern const char* const kFileImmutableReason;
extern const char* const kFileReadOnlyReason;
extern const char* const kFileDeniedReason;
// "The selected file is in use!", for a file that cannot be opened to be written; when the
// file itself refuses it (marked unchangeable, read-only, no permission) and no other program
// holds it, the reason follows on its own line, translated.
std::string FileInUseText(const std::string& path);

}  // namespace movra
