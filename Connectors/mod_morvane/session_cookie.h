// Finding the session id in a request's Cookie header.
#pragma once

#include <cstddef>

// The session cookie's name, matched without regard to ASCII case.
constexpr char sessionCookieName[] = "MORVANE_APACHE_SESSIONID";
constexpr size_t sessionCookieNameLength = sizeof sessionCookieName - 1;

struct CookieValue {
  const char *data;  // points into the header; not NUL-terminated at `length`
  size_t length;
};

// Looks through the ';'-separated pairs of a Cookie header for the first one
// whose name, after leading white space, is the session cookie's name directly
// followed by "=". Returns true and its value (up to the next ';' or the end;
// blanks are kept) when found. The header is only read, so concurrent requests
// never share any position.
bool find_session_cookie(const char *header, CookieValue *value);
