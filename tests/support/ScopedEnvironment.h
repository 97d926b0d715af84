// Sets an environment variable (or removes it) for one test, and puts back what was there.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace mailferry::testing {

inline void setEnvironment(const char* name, const std::optional<std::string>& value) {
#ifdef _WIN32
  // An empty value removes the variable.
  _putenv_s(name, value ? value->c_str() : "");
#else
  if (value) {
    ::setenv(name, value->c_str(), 1);
  } else {
    ::unsetenv(name);
  }
#endif
}

class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setEnvironment(name, value);
  }
  ~ScopedEnvironment() { setEnvironment(name_, old_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace mailferry::testing
