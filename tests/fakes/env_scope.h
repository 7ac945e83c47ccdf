#pragma once
// Sets (or, with no value, removes) an environment variable for one scope and puts the old value
// back afterwards.
#include <stdlib.h>

#include <optional>
#include <string>

namespace fakes {

class TEnvScope {
public:
  TEnvScope(std::string name, std::optional<std::string> value) : mName(std::move(name)) {
    if (const char* old = std::getenv(mName.c_str())) mOld = old;
    Apply(value);
  }
  ~TEnvScope() { Apply(mOld); }
  TEnvScope(const TEnvScope&) = delete;
  TEnvScope& operator=(const TEnvScope&) = delete;

  // Whether a variable can be set to the empty text (on Windows that removes it).
  static constexpr bool EmptyValuesExist() {
#ifdef _WIN32
    return false;
#else
    return true;
#endif
  }

private:
  void Apply(const std::optional<std::string>& value) {
#ifdef _WIN32
    // An empty value removes the variable on Windows.
    ::_putenv_s(mName.c_str(), value ? value->c_str() : "");
#else
    if (value)
      ::setenv(mName.c_str(), value->c_str(), 1);
    else
      ::unsetenv(mName.c_str());
#endif
  }
  std::string mName;
  std::optional<std::string> mOld;
};

}  // namespace fakes
