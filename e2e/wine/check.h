// A small check runner for the Windows programs run under Wine (no test framework is built
// for MinGW here). Each case prints "ok <name>" or "FAIL <name>: <what>"; the driver script
// counts those lines. The exit status is the number of failed cases.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

namespace lpc::wine_checks {

struct Case {
  const char* name;
  std::function<void()> run;
};

inline std::vector<std::string>& Failures() {
  static std::vector<std::string> failures;
  return failures;
}

inline void Fail(const std::string& what) { Failures().push_back(what); }

#define LPC_CHECK(cond)                                                              \
  do {                                                                               \
    if (!(cond)) ::lpc::wine_checks::Fail(std::string(#cond) + " (line " +           \
                                          std::to_string(__LINE__) + ")");           \
  } while (0)

#define LPC_CHECK_EQ(a, b)                                                           \
  do {                                                                               \
    const auto& lpc_a_ = (a);                                                        \
    const auto& lpc_b_ = (b);                                                        \
    if (!(lpc_a_ == lpc_b_)) {                                                       \
      ::lpc::wine_checks::Fail(std::string(#a " == " #b " (line ") +                 \
                               std::to_string(__LINE__) + "): got " +                \
                               ::lpc::wine_checks::Show(lpc_a_) + " and " +          \
                               ::lpc::wine_checks::Show(lpc_b_));                    \
    }                                                                                \
  } while (0)

inline std::string Show(const std::string& s) { return "\"" + s + "\""; }
inline std::string Show(const char* s) { return Show(std::string(s)); }
template <typename T>
std::string Show(const T& v) {
  if constexpr (std::is_arithmetic_v<T>) {
    return std::to_string(v);
  } else if constexpr (std::is_enum_v<T>) {
    return std::to_string(static_cast<long long>(v));
  } else {
    return "(value)";
  }
}

// Runs every case, catching exceptions; returns the number of failed cases.
inline int RunCases(const std::vector<Case>& cases) {
  int failed = 0;
  for (const Case& c : cases) {
    Failures().clear();
    try {
      c.run();
    } catch (const std::exception& e) {
      Fail(std::string("exception: ") + e.what());
    } catch (...) {
      Fail("unknown exception");
    }
    if (Failures().empty()) {
      std::printf("ok %s\n", c.name);
    } else {
      ++failed;
      std::printf("FAIL %s: %s", c.name, Failures().front().c_str());
      for (size_t i = 1; i < Failures().size() && i < 5; ++i) {
        std::printf("; %s", Failures()[i].c_str());
      }
      std::printf("\n");
    }
    std::fflush(stdout);
  }
  return failed;
}

}  // namespace lpc::wine_checks
