#include "app/clinic_settings.h"

#include <cstdlib>

#include "app/config.h"
#include "app/language.h"

namespace movra {

// The address is not repeated in the text: a user may have put a password into it.
const char* const kClinicUrlRefusedText =
    "The clinic's database address (Url in the [DATABASE] section, --database or MOVRA_DATABASE) must begin with "
    "postgresql:// or postgres://; the results wait on this PC until it is corrected.";
const char* const kClinicSiteRefusedText =
    "The site \"%1\" (Site in the [DATABASE] section) may hold only a to z, 0 to 9 and _, 40 characters at most; "
    "the results wait on this PC until it is corrected.";

std::string ClinicUrlChosen(const std::optional<std::string>& optionValue, const std::string& envValue,
                            const std::string& iniValue) {
  if (optionValue) return *optionValue;
  if (!envValue.empty()) return envValue;
  return iniValue;
}

std::string ClinicUrlOfRun(const std::optional<std::string>& optionValue) {
  const char* env = std::getenv(kClinicDatabaseVariable);
  return ClinicUrlChosen(optionValue, env ? env : "", GlobalOption.Database.Url);
}

bool ClinicUrlAccepted(const std::string& url) {
  return url.rfind("postgresql://", 0) == 0 || url.rfind("postgres://", 0) == 0;
}

bool ClinicSiteAccepted(const std::string& site) {
  if (site.size() > 40) return false;
  for (char c : site)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

std::string ClinicSettingsProblem(const std::string& url, const std::string& site) {
  if (url.empty()) return {};
  if (!ClinicUrlAccepted(url)) return TranslateText(kClinicUrlRefusedText);
  if (!ClinicSiteAccepted(site)) {
    const std::string pattern = kClinicSiteRefusedText;
    const size_t slot = pattern.find("%1");
    return TranslateText(pattern.substr(0, slot) + site + pattern.substr(slot + 2));
  }
  return {};
}

}  // namespace movra
