#include "session_cookie.h"

#include <cstring>
#include <strings.h>

namespace {

bool is_c_space(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

bool find_session_cookie(const char *header, CookieValue *value) {
  for (const char *piece = header; *piece;) {
    const char *end = std::strchr(piece, ';');
    if (!end) end = piece + std::strlen(piece);
    while (piece < end && is_c_space(*piece)) ++piece;
    // The name holds no ';', so a comparison that runs into the next piece fails.
    if (end - piece > static_cast<std::ptrdiff_t>(sessionCookieNameLength) &&
        strncasecmp(piece, sessionCookieName, sessionCookieNameLength) == 0 &&
        piece[sessionCookieNameLength] == '=') {
      const char *start = piece + sessionCookieNameLength + 1;
      *value = CookieValue{start, static_cast<size_t>(end - start)};
      return true;
    }
    piece = *end ? end + 1 : end;
  }
  return false;
}
