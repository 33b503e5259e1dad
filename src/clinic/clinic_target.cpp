#include "clinic/clinic_target.h"

#include "app/translated_pattern.h"

namespace movra {

std::string SiteProblem(const std::string& site) {
  bool plain = site.size() <= 40;
  for (char c : site) plain = plain && ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_');
  if (plain) return "";
  return TranslatePattern("The site \"%1\" cannot be used: a site's name has 1 to 40 small letters a-z, digits or _",
                          {site});
}

}  // namespace movra
