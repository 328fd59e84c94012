// Byte strings into java.lang.String, checked against the chars that Java sees.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "java_text.h"
#include "jvm_test_support.h"

namespace {

using namespace std::string_literals;
using jvm_test::java_chars;

class JavaText : public ::testing::Test {
 protected:
  void SetUp() override {
    env = jvm_test::create_jvm("");
    ASSERT_NE(env, nullptr);
  }
  JNIEnv *env = nullptr;
};

struct TextCase {
  const char *label;
  std::string bytes;
  std::u16string expected;
};

TEST_F(JavaText, GivesTheCharsOfTheBytes) {
  const TextCase cases[] = {
      {"ascii", "plain ASCII text", u"plain ASCII text"},
      {"four_byte", "a\xF0\x9F\x98\x80z", u"a\xD83D\xDE00z"},
      {"latin1", "caf\xE9", u"caf\u00E9"},
      {"bytes_ff_fe", "\xFF\xFE", u"\u00FF\u00FE"},
      {"truncated_at_end", "a\xE2\x82", u"a\u00E2\u0082"},
      {"lone_continuation_keeps_what_follows", "\x80z", u"\u0080z"},
      {"two_and_three_byte", "\xC3\xA9\xE2\x82\xAC", u"\u00E9\u20AC"},
  };
  for (const TextCase &c : cases) {
    SCOPED_TRACE(c.label);
    jstring text = new_java_string(env, c.bytes.c_str());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(java_chars(env, text), c.expected);
    env->DeleteLocalRef(text);
  }
}

// Whatever NewStringUTF reads correctly today must arrive exactly as before:
// every 1-, 2- and 3-byte form it accepts, and every byte that starts none.
TEST_F(JavaText, AgreesWithNewStringUtfWhereThatIsRight) {
  std::vector<std::string> forms;
  for (int b = 0x01; b <= 0xFF; ++b) {
    if ((b & 0xC0) != 0x80) forms.push_back(std::string(1, static_cast<char>(b)));
  }
  for (int lead = 0xC0; lead <= 0xDF; ++lead) {
    for (int next = 0x80; next <= 0xBF; ++next) forms.push_back({static_cast<char>(lead), static_cast<char>(next)});
  }
  for (int lead = 0xE0; lead <= 0xEF; ++lead) {
    for (int second = 0x80; second <= 0xBF; ++second) {
      for (int third = 0x80; third <= 0xBF; ++third) {
        forms.push_back({static_cast<char>(lead), static_cast<char>(second), static_cast<char>(third)});
      }
    }
  }
  int mismatches = 0;
  for (const std::string &form : forms) {
    std::string bytes = "x" + form + "y";
    jstring theirs = env->NewStringUTF(bytes.c_str());
    jstring ours = new_java_string(env, bytes.c_str());
    if (java_chars(env, theirs) != java_chars(env, ours) && ++mismatches <= 5) {
      ADD_FAILURE() << "differs for bytes of length " << form.size() << " starting 0x" << std::hex
                    << (form[0] & 0xFF);
    }
    env->DeleteLocalRef(theirs);
    env->DeleteLocalRef(ours);
  }
  EXPECT_EQ(mismatches, 0);
}

// Long ASCII takes another route into Java than short ASCII; both must give
// exactly the chars NewStringUTF gives.
TEST_F(JavaText, LongAsciiArrivesAsNewStringUtfWouldGiveIt) {
  for (size_t length : {255u, 256u, 257u, 65536u, 1000003u}) {
    SCOPED_TRACE(length);
    std::string bytes(length, ' ');
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(1 + (i * 37) % 127);
    jstring theirs = env->NewStringUTF(bytes.c_str());
    jstring ours = new_java_string(env, bytes.c_str());
    ASSERT_NE(ours, nullptr);
    EXPECT_EQ(env->GetStringLength(ours), static_cast<jsize>(length));
    EXPECT_TRUE(java_chars(env, theirs) == java_chars(env, ours));
    env->DeleteLocalRef(theirs);
    env->DeleteLocalRef(ours);
  }
  EXPECT_FALSE(env->ExceptionCheck());
}

TEST_F(JavaText, StopsAtTheFirstNulUnlessGivenALength) {
  std::string bytes = "a\0\xC3\xA9"s;
  jstring upToNul = new_java_string(env, bytes.data());
  jstring whole = new_java_string(env, bytes.data(), bytes.size());
  EXPECT_EQ(java_chars(env, upToNul), u"a");
  EXPECT_EQ(java_chars(env, whole), u"a\0\u00E9"s);
}

TEST_F(JavaText, ReadsNoByteBeyondTheGivenLength) {
  std::vector<char> bytes = {'a', '\xF0', '\x9F'};  // not terminated; cut inside a sequence
  jstring text = new_java_string(env, bytes.data(), bytes.size());
  EXPECT_EQ(java_chars(env, text), u"a\u00F0\u009F");
}

TEST_F(JavaText, NullBytesGiveNullWithNothingPending) {
  EXPECT_EQ(new_java_string(env, nullptr), nullptr);
  EXPECT_EQ(new_java_string(env, nullptr, 3), nullptr);
  EXPECT_FALSE(env->ExceptionCheck());
}

}  // namespace
