#include "clinic_option.h"

#include "app/clinic_settings.h"
#include "app/language.h"

namespace movra::cli {

OptionSpec DatabaseOption() {
  return {"database", "URL",
          "the clinic's database server, postgresql://host[:port]/dbname, before MOVRA_DATABASE\n"
          "                       and [DATABASE] Url= of the settings; \"\" keeps this command on this PC",
          false};
}

void CheckDatabaseOption(const ParsedOptions& options) {
  auto url = options.value("database");
  if (url && !url->empty() && !ClinicUrlAccepted(*url)) throw UsageError(TranslateText(kClinicUrlRefusedText));
}

}  // namespace movra::cli
