#include <string>

#include <gtest/gtest.h>

#include "java_chars.h"

namespace {

struct DecodeCase {
  const char *label;
  std::string bytes;
  std::u16string expected;
};

void PrintTo(const DecodeCase &c, std::ostream *os) { *os << c.label; }

std::u16string decode(const std::string &bytes) {
  std::u16string out(bytes.size(), u'\0');
  size_t count = decode_java_chars(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), out.data());
  EXPECT_LE(count, bytes.size());
  out.resize(count);
  return out;
}

class JavaChars : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(JavaChars, DecodesEveryByteIntoUtf16) {
  const DecodeCase &c = GetParam();
  EXPECT_EQ(decode(c.bytes), c.expected);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Cases, JavaChars,
    ::testing::Values(
        DecodeCase{"empty", "", u""},
        DecodeCase{"ascii", "GET /x?a=1", u"GET /x?a=1"},
        DecodeCase{"nul_byte_kept", "a\0b"s, u"a\0b"s},
        DecodeCase{"two_byte", "caf\xC3\xA9", u"caf\u00E9"},
        DecodeCase{"three_byte", "\xE2\x82\xAC", u"\u20AC"},
        DecodeCase{"four_byte_between_ascii", "a\xF0\x9F\x98\x80z", u"a\xD83D\xDE00z"},
        DecodeCase{"lowest_supplementary", "\xF0\x90\x80\x80", u"\xD800\xDC00"},
        DecodeCase{"highest_code_point", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
        // Forms that NewStringUTF accepts keep its reading.
        DecodeCase{"overlong_nul", "\xC0\x80x", u"\0x"s},
        DecodeCase{"overlong_two_byte", "\xC1\xBF", u"\u007F"},
        DecodeCase{"overlong_three_byte", "\xE0\x80\x80z", u"\0z"s},
        DecodeCase{"encoded_lone_surrogate", "\xED\xA0\x80x", u"\xD800x"},
        DecodeCase{"encoded_surrogate_pair", "\xED\xA0\xBD\xED\xB8\x80", u"\xD83D\xDE00"},
        // Bytes that begin no accepted form become the char of the same value.
        DecodeCase{"latin1_at_end", "caf\xE9", u"caf\u00E9"},
        DecodeCase{"latin1_between_ascii", "\xE9z\xE9", u"\u00E9z\u00E9"},
        DecodeCase{"bytes_ff_fe", "\xFF\xFE", u"\u00FF\u00FE"},
        DecodeCase{"lone_continuation", "\x80z", u"\u0080z"},
        DecodeCase{"truncated_three_byte_at_end", "a\xE2\x82", u"a\u00E2\u0082"},
        DecodeCase{"truncated_four_byte_before_ascii", "\xF0\x9F\x98z", u"\u00F0\u009F\u0098z"},
        DecodeCase{"two_byte_lead_then_ascii", "\xC3z", u"\u00C3z"},
        DecodeCase{"overlong_four_byte", "\xF0\x8F\xBF\xBF", u"\u00F0\u008F\u00BF\u00BF"},
        DecodeCase{"beyond_unicode", "\xF4\x90\x80\x80", u"\u00F4\u0090\u0080\u0080"},
        DecodeCase{"five_byte_lead", "\xF8\x88\x80\x80\x80", u"\u00F8\u0088\u0080\u0080\u0080"},
        DecodeCase{"valid_after_stray_lead", "\xF0\xC3\xA9", u"\u00F0\u00E9"}));

TEST(JavaChars, PlainAsciiIsOnlyBytesBelow0x80) {
  const auto *ascii = reinterpret_cast<const unsigned char *>("plain text\x7F");
  const auto *latin1 = reinterpret_cast<const unsigned char *>("caf\xE9");
  EXPECT_TRUE(is_plain_ascii(ascii, 11));
  EXPECT_FALSE(is_plain_ascii(latin1, 4));
  EXPECT_TRUE(is_plain_ascii(latin1, 3));
}

// The check reads whole words where it can: a high byte must be found at any
// position, inside a word or in the tail, and nothing past the length counts.
TEST(JavaChars, PlainAsciiFindsAHighByteAnywhere) {
  for (size_t length = 1; length <= 25; ++length) {
    std::string bytes(length + 1, 'a');
    bytes[length] = '\x80';  // just past the end: must not count
    EXPECT_TRUE(is_plain_ascii(reinterpret_cast<const unsigned char *>(bytes.data()), length)) << length;
    for (size_t at = 0; at < length; ++at) {
      std::string marked = bytes;
      marked[at] = '\xC3';
      EXPECT_FALSE(is_plain_ascii(reinterpret_cast<const unsigned char *>(marked.data()), length))
          << "length " << length << ", high byte at " << at;
    }
  }
}

}  // namespace
