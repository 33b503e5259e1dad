// The sample types a record stores ("EC", "Downloaded Sample", …) as the user reads them:
// in the interface language. What is stored, compared and exported stays the stored text.
#pragma once
#include <string>

namespace movra {

// The translated text of a stored sample type; any other text (an empty one, "Unknown")
// is returned as it is.
std::string SampleTypeText(const std::string& stored);

}  // namespace movra
