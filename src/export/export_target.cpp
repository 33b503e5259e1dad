#include "export/export_target.h"

#include "app/file_in_use.h"
#include "app/file_system.h"
#include "app/language.h"

namespace movra {

namespace {

bool EndsWithNoCase(const std::string& s, const char* suffix) {
  std::string tail(suffix);
  if (s.size() <= tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char c = s[s.size() - tail.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != tail[i]) return false;
  }
  return true;
}

std::string WithExtension(const std::string& typed, const char* extension) {
  return EndsWithNoCase(typed, extension) ? typed : typed + extension;
}

}  // namespace

std::string CsvTargetName(const std::string& typed) { return WithExtension(typed, ".csv"); }

std::string ExcelTargetName(const std::string& typed) { return WithExtension(typed, ".xls"); }

std::optional<std::string> NotARegularFile(const std::string& path) {
  // Nothing there (or a link to nothing): a new file is made. Other failures of the look
  // (a folder on the way that is no folder, no permission) are told when the file is made.
  switch (KindOfPath(path)) {
    case PathKind::Missing:
    case PathKind::Regular: return std::nullopt;
    case PathKind::Folder: return TranslateText("It is a folder, not a regular file.");
    case PathKind::Pipe: return TranslateText("It is a named pipe, not a regular file.");
    case PathKind::Device: return TranslateText("It is a device, not a regular file.");
    case PathKind::Socket: return TranslateText("It is a socket, not a regular file.");
    case PathKind::Other: break;
  }
  return TranslateText("It is not a regular file.");
}

std::string CannotCreateFileText(const std::string& path, const std::string& reason) {
  return "Cannot create file \"" + path + "\". " + reason;
}

const char* const kFileImmutableReason =
    "The file is marked unchangeable (immutable): nobody may write it until the mark is taken off.";

const char* const kFileReadOnlyReason = "The file is read-only, or the disk it is on takes no writing.";
const char* const kFileDeniedReason = "You have no permission to write this file.";

std::string FileInUseText(const std::string& path) {
  const char* reason = nullptr;
  switch (FileRefusesWriting(path)) {
    case WriteRefusal::None: return "The selected file is in use!";
    case WriteRefusal::Immutable: reason = kFileImmutableReason; break;
    case WriteRefusal::ReadOnly: reason = kFileReadOnlyReason; break;
    case WriteRefusal::Denied: reason = kFileDeniedReason; break;
  }
  return TranslateText("The selected file is in use!") + "\r\n" + TranslateText(reason);
}

}  // namespace movra
