// The user guide the help command opens.
#pragma once
#include <functional>
#include <string>

namespace movra {

// exeDir + languageId + "/UserGuide.pdf". The installed program ships one guide per
// translation in the translation's folder: while languageId is left at 1 and the current
// translation's folder (languageFolder, empty for none) holds a guide, that one is opened,
// so the guide is in the language the window shows.
std::string HelpGuidePath(const std::string& exeDir, int languageId, const std::string& languageFolder,
                          const std::function<bool(const std::string&)>& isFile);

}  // namespace movra
