// Which clinic database server a command uses, and whether its settings can be used at all.
#pragma once
#include <optional>
#include <string>

namespace movra {

// The environment variable naming the server for every command of the user.
constexpr const char* kClinicDatabaseVariable = "MOVRA_DATABASE";

// The server a command uses: --database (given at all, even empty) beats MOVRA_DATABASE (set
// and not empty), which beats [DATABASE] Url= of the settings. "" keeps the history on this
// PC alone.
std::string ClinicUrlChosen(const std::optional<std::string>& optionValue, const std::string& envValue,
                            const std::string& iniValue);

// The server of this run: ClinicUrlChosen over the option, MOVRA_DATABASE and the settings
// read into GlobalOption.
std::string ClinicUrlOfRun(const std::optional<std::string>& optionValue = std::nullopt);

// An address libpq takes as a URI: it begins with postgresql:// or postgres://.
bool ClinicUrlAccepted(const std::string& url);
// No site, or 1 to 40 of a-z, 0-9 and _ (the site is written into the server's rows as it is).
bool ClinicSiteAccepted(const std::string& site);

// Why a configured server cannot be used with these settings, for the user; "" when it can
// (or none is configured). Nothing is sent then: the results wait in the local queue.
std::string ClinicSettingsProblem(const std::string& url, const std::string& site);

extern const char* const kClinicUrlRefusedText;
extern const char* const kClinicSiteRefusedText;

}  // namespace movra
