#include "fhir/derived_uuid.h"

#include <cstdint>
#include <cstdio>

namespace movra {

namespace {

uint64_t Fnv1a(const std::string& text, uint64_t hash) {
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

// FNV-1a's last bytes reach only its low bits; this finaliser spreads them over all 64.
uint64_t Mix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  return h ^ (h >> 33);
}

}  // namespace

std::string DerivedUuid(const std::string& name) {
  // Two different starting values give two independent halves.
  uint64_t high = Mix(Fnv1a(name, 0xcbf29ce484222325ULL));
  uint64_t low = Mix(Fnv1a(name, 0x84222325cbf29ce4ULL) ^ high);
  high = (high & ~0xF000ULL) | 0x8000ULL;                                // version 8
  low = (low & ~(0xC000ULL << 48)) | (0x8000ULL << 48);                 // variant 10
  char text[37];
  std::snprintf(text, sizeof text, "%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(high >> 32),
                static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                static_cast<unsigned>(low >> 48), static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
  return text;
}

}  // namespace movra
