#include "java_chars.h"

#include <cstring>

namespace {

bool is_continuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// How many continuation bytes follow at `at`, up to `wanted`, before the input ends.
size_t continuations(const unsigned char *at, const unsigned char *end, size_t wanted) {
  size_t found = 0;
  while (found < wanted && at + found < end && is_continuation(at[found])) ++found;
  return found;
}

// Decodes one sequence at `at`; returns the number of bytes it takes.
size_t decode_one(const unsigned char *at, const unsigned char *end, char16_t *&out) {
  unsigned char lead = at[0];
  if (lead >= 0xC0 && lead <= 0xDF && continuations(at + 1, end, 1) == 1) {
    *out++ = static_cast<char16_t>(((lead & 0x1F) << 6) | (at[1] & 0x3F));
    return 2;
  }
  if (lead >= 0xE0 && lead <= 0xEF && continuations(at + 1, end, 2) == 2) {
    *out++ = static_cast<char16_t>(((lead & 0x0F) << 12) | ((at[1] & 0x3F) << 6) | (at[2] & 0x3F));
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4 && continuations(at + 1, end, 3) == 3) {
    char32_t code = ((lead & 0x07) << 18) | ((at[1] & 0x3F) << 12) | ((at[2] & 0x3F) << 6) | (at[3] & 0x3F);
    // Overlong forms and values past U+10FFFF are not well-formed.
    if (code >= 0x10000 && code <= 0x10FFFF) {
      code -= 0x10000;
      *out++ = static_cast<char16_t>(0xD800 + (code >> 10));
      *out++ = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
      return 4;
    }
  }
  // ASCII, or a byte that starts no accepted form: the char of the same value.
  *out++ = static_cast<char16_t>(lead);
  return 1;
}

}  // namespace

// Eight bytes at a time: every request body passes through here.
bool is_plain_ascii(const unsigned char *bytes, size_t length) {
  constexpr uint64_t highBits = 0x8080808080808080ull;
  size_t i = 0;
  for (; i + sizeof(uint64_t) <= length; i += sizeof(uint64_t)) {
    uint64_t word;
    memcpy(&word, bytes + i, sizeof word);
    if (word & highBits) return false;
  }
  for (; i < length; ++i) {
    if (bytes[i] >= 0x80) return false;
  }
  return true;
}

size_t decode_java_chars(const unsigned char *bytes, size_t length, char16_t *out) {
  const unsigned char *at = bytes;
  const unsigned char *end = bytes + length;
  char16_t *start = out;
  while (at < end) at += decode_one(at, end, out);
  return static_cast<size_t>(out - start);
}
