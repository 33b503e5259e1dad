#include "app/help_guide.h"

namespace movra {

std::string HelpGuidePath(const std::string& exeDir, int languageId, const std::string& languageFolder,
                          const std::function<bool(const std::string&)>& isFile) {
  constexpr int kShippedGuideFolder = 1;
  if (languageId == kShippedGuideFolder && !languageFolder.empty()) {
    std::string translated = exeDir + languageFolder + "/UserGuide.pdf";
    if (isFile(translated)) return translated;
  }
  return exeDir + std::to_string(languageId) + "/UserGuide.pdf";
}

}  // namespace movra
