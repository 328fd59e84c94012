#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "session_cookie.h"

namespace {

struct CookieCase {
  const char *label;
  const char *header;
  std::optional<std::string> expected;  // nullopt: no session id
};

void PrintTo(const CookieCase &c, std::ostream *os) { *os << c.label; }

class SessionCookie : public ::testing::TestWithParam<CookieCase> {};

TEST_P(SessionCookie, FindsTheFirstPairNamedLikeTheSessionCookie) {
  const CookieCase &c = GetParam();
  CookieValue value{};
  bool found = find_session_cookie(c.header, &value);
  ASSERT_EQ(found, c.expected.has_value());
  if (found) {
    EXPECT_EQ(std::string(value.data, value.length), *c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SessionCookie,
    ::testing::Values(
        CookieCase{"middle_pair", "a=1; MORVANE_APACHE_SESSIONID=abc; b=2", "abc"},
        CookieCase{"only_pair", "MORVANE_APACHE_SESSIONID=abc", "abc"},
        CookieCase{"lower_case_name", "a=1;morvane_apache_sessionid=abc", "abc"},
        CookieCase{"longer_name", "MORVANE_APACHE_SESSIONIDX=abc", std::nullopt},
        CookieCase{"shorter_name", "MORVANE_APACHE_SESSIONI=abc", std::nullopt},
        CookieCase{"prefix_then_next_piece", "MORVANE_APACHE_SESSION;ID=abc", std::nullopt},
        CookieCase{"blank_before_equals", "MORVANE_APACHE_SESSIONID =abc", std::nullopt},
        CookieCase{"empty_value", "a=1; MORVANE_APACHE_SESSIONID=; b=2", ""},
        CookieCase{"empty_value_at_end", "MORVANE_APACHE_SESSIONID=", ""},
        CookieCase{"first_of_two_wins", "MORVANE_APACHE_SESSIONID=one; MORVANE_APACHE_SESSIONID=two", "one"},
        CookieCase{"blanks_kept_in_value", "MORVANE_APACHE_SESSIONID= a b ;x=1", " a b "},
        CookieCase{"all_c_space_skipped", "x=1;\t\n\v\f\r MORVANE_APACHE_SESSIONID=abc", "abc"},
        CookieCase{"runs_of_semicolons", ";;;MORVANE_APACHE_SESSIONID=abc;;", "abc"},
        CookieCase{"value_with_equals", "MORVANE_APACHE_SESSIONID=a=b", "a=b"},
        CookieCase{"absent", "a=1; b=2", std::nullopt},
        CookieCase{"empty_header", "", std::nullopt},
        CookieCase{"only_separators", " ; ; ", std::nullopt}),
    [](const auto &info) { return std::string(info.param.label); });

}  // namespace
