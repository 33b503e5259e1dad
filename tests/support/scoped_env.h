// An environment variable set (or unset, with nullptr) for one test and given back after it.
#pragma once
#include <cstdlib>
#include <optional>
#include <string>

namespace movra::test {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(name_, value);
  }
  ~ScopedEnv() { Set(name_, old_ ? old_->c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  static void Set(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");  // "" removes it
#else
    if (value) setenv(name, value, 1);
    else unsetenv(name);
#endif
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace movra::test
