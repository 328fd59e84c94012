// set_error with real Java exceptions: the stack trace it captures, and what
// becomes of the exception.
#include <string>

#include <gtest/gtest.h>

#include "error_text.h"
#include "jvm_test_support.h"

namespace {

enum class Pending { nothing, noClassDefFound, unprintable };

struct TraceCase {
  const char *label;
  Pending pending;
  bool withEnv;
  bool readyText;        // through set_error_text instead of set_error
  size_t messageLength;  // of the message handed in
  bool traceExpected;
};

void PrintTo(const TraceCase &c, std::ostream *os) { *os << c.label; }

// The trace as the JVM prints it, taken another way (PrintWriter over a
// StringWriter) so that the capture under test is not its own reference.
std::string print_stack_trace(JNIEnv *env, jthrowable exception) {
  jclass stringWriterClass = env->FindClass("java/io/StringWriter");
  jclass printWriterClass = env->FindClass("java/io/PrintWriter");
  jobject stringWriter = env->NewObject(stringWriterClass, env->GetMethodID(stringWriterClass, "<init>", "()V"));
  jobject printWriter = env->NewObject(printWriterClass, env->GetMethodID(printWriterClass, "<init>", "(Ljava/io/Writer;)V"),
                                       stringWriter);
  jclass throwableClass = env->FindClass("java/lang/Throwable");
  env->CallVoidMethod(exception, env->GetMethodID(throwableClass, "printStackTrace", "(Ljava/io/PrintWriter;)V"),
                      printWriter);
  EXPECT_FALSE(env->ExceptionCheck());
  env->CallVoidMethod(printWriter, env->GetMethodID(printWriterClass, "flush", "()V"));
  EXPECT_FALSE(env->ExceptionCheck());
  auto text = static_cast<jstring>(
      env->CallObjectMethod(stringWriter, env->GetMethodID(stringWriterClass, "toString", "()Ljava/lang/String;")));
  EXPECT_FALSE(env->ExceptionCheck());
  const char *chars = env->GetStringUTFChars(text, nullptr);
  std::string trace = chars;
  env->ReleaseStringUTFChars(text, chars);
  return trace;
}

// Leaves the case's exception pending and returns its trace.
std::string make_pending(JNIEnv *env, Pending pending) {
  if (pending == Pending::nothing) return "";
  if (pending == Pending::noClassDefFound) {
    env->FindClass("no/such/Class");
  } else {
    jclass errorClass = env->FindClass("morvaneProbe/UnprintableError");
    jobject error = env->NewObject(errorClass, env->GetMethodID(errorClass, "<init>", "(Ljava/lang/String;)V"),
                                   env->NewStringUTF("cannot be printed"));
    env->Throw(static_cast<jthrowable>(error));
  }
  jthrowable exception = env->ExceptionOccurred();
  env->ExceptionClear();
  std::string trace = pending == Pending::unprintable ? "" : print_stack_trace(env, exception);
  env->Throw(exception);
  return trace;
}

class SetErrorWithJava : public ::testing::TestWithParam<TraceCase> {};

TEST_P(SetErrorWithJava, AppendsThePendingExceptionsTrace) {
  const TraceCase &c = GetParam();
  JNIEnv *env = jvm_test::create_jvm(jvm_test::class_path({"probe"}));
  ASSERT_NE(env, nullptr);
  std::string message(c.messageLength, 'm');
  std::string trace = make_pending(env, c.pending);
  ASSERT_EQ(env->ExceptionCheck(), c.pending != Pending::nothing);

  char *slot = nullptr;
  if (c.readyText) {
    set_error_text(&slot, c.withEnv ? env : nullptr, message.c_str());
  } else {
    set_error(&slot, c.withEnv ? env : nullptr, "%s", message.c_str());
  }

  std::string stored = c.readyText ? message : message.substr(0, errorBufferSize - 1);
  EXPECT_EQ(std::string(slot), c.traceExpected ? stored + "\r\n" + trace : stored);
  EXPECT_EQ(env->ExceptionCheck(), c.pending != Pending::nothing && !c.withEnv);
  env->ExceptionClear();
  clear_error(&slot);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetErrorWithJava,
    ::testing::Values(
        TraceCase{"trace_follows_message", Pending::noClassDefFound, true, false, 40, true},
        TraceCase{"null_env_leaves_exception_pending", Pending::noClassDefFound, false, false, 40, false},
        TraceCase{"nothing_pending_message_alone", Pending::nothing, true, false, 40, false},
        TraceCase{"unprintable_trace_message_alone", Pending::unprintable, true, false, 40, false},
        TraceCase{"long_message_cut_then_trace", Pending::noClassDefFound, true, false, 3000, true},
        TraceCase{"ready_text_uncut_then_trace", Pending::noClassDefFound, true, true, 3000, true}),
    [](const auto &info) { return std::string(info.param.label); });

}  // namespace
