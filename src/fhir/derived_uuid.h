// A UUID derived from a name: the same name always gives the same UUID, so a Bundle written
// twice from the same results is the same file, and its entries keep their full URLs.
#pragma once
#include <string>

namespace movra {

// "1b4e28ba-2fa1-8d2f-883f-0016d3cca427": 122 bits of two mixed FNV-1a hashes of the name, marked
// as a version 8 (custom) UUID of the RFC 4122 variant.
std::string DerivedUuid(const std::string& name);

}  // namespace movra
