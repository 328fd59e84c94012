#include "error_text.h"

#include "jni_scope.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using jni_scope::ByteArrayElements;
using jni_scope::LocalRef;

char *isapiError = nullptr;

namespace {

// What a slot holds when not even the message could be copied.
char outOfMemoryText[] = "Out of memory while storing an error message";

void release_text(char *text) {
  if (text != outOfMemoryText) free(text);
}

// True when the last JNI call failed, either by its result or by leaving an
// exception; the exception is then cleared, so the capture can give up cleanly.
bool step_failed(JNIEnv *env, bool resultMissing) {
  if (env->ExceptionCheck()) {
    env->ExceptionClear();
    return true;
  }
  return resultMissing;
}

// Clears the pending exception and returns its stack trace as the bytes that
// printStackTrace writes to a PrintStream over a ByteArrayOutputStream. Returns
// null, with nothing pending, when any step of the capture fails.
jbyteArray capture_stack_trace(JNIEnv *env) {
  LocalRef<jthrowable> exception(env, env->ExceptionOccurred());
  env->ExceptionClear();
  if (!exception) return nullptr;

  LocalRef<jclass> byteStreamClass(env, env->FindClass("java/io/ByteArrayOutputStream"));
  if (step_failed(env, !byteStreamClass)) return nullptr;
  jmethodID byteStreamInit = env->GetMethodID(byteStreamClass.get(), "<init>", "()V");
  if (step_failed(env, !byteStreamInit)) return nullptr;
  jmethodID toByteArray = env->GetMethodID(byteStreamClass.get(), "toByteArray", "()[B");
  if (step_failed(env, !toByteArray)) return nullptr;
  LocalRef<jobject> byteStream(env, env->NewObject(byteStreamClass.get(), byteStreamInit));
  if (step_failed(env, !byteStream)) return nullptr;

  LocalRef<jclass> printStreamClass(env, env->FindClass("java/io/PrintStream"));
  if (step_failed(env, !printStreamClass)) return nullptr;
  jmethodID printStreamInit = env->GetMethodID(printStreamClass.get(), "<init>", "(Ljava/io/OutputStream;)V");
  if (step_failed(env, !printStreamInit)) return nullptr;
  jmethodID close = env->GetMethodID(printStreamClass.get(), "close", "()V");
  if (step_failed(env, !close)) return nullptr;
  LocalRef<jobject> printStream(env, env->NewObject(printStreamClass.get(), printStreamInit, byteStream.get()));
  if (step_failed(env, !printStream)) return nullptr;

  LocalRef<jclass> exceptionClass(env, env->GetObjectClass(exception.get()));
  jmethodID printStackTrace = env->GetMethodID(exceptionClass.get(), "printStackTrace", "(Ljava/io/PrintStream;)V");
  if (step_failed(env, !printStackTrace)) return nullptr;
  env->CallVoidMethod(exception.get(), printStackTrace, printStream.get());
  if (step_failed(env, false)) return nullptr;
  env->CallVoidMethod(printStream.get(), close);
  if (step_failed(env, false)) return nullptr;

  auto trace = static_cast<jbyteArray>(env->CallObjectMethod(byteStream.get(), toByteArray));
  if (step_failed(env, !trace)) return nullptr;
  return trace;
}

// message, then "\r\n" and the trace when there is one, then NUL; null when
// memory runs out.
char *compose(const char *message, size_t length, const char *trace, size_t traceLength) {
  size_t size = trace ? length + 2 + traceLength + 1 : length + 1;
  auto text = static_cast<char *>(malloc(size));
  if (!text) return nullptr;
  memcpy(text, message, length);
  char *end = text + length;
  if (trace) {
    memcpy(end, "\r\n", 2);
    memcpy(end + 2, trace, traceLength);
    end += 2 + traceLength;
  }
  *end = '\0';
  return text;
}

char *compose_with_trace(JNIEnv *env, const char *message, size_t length) {
  LocalRef<jbyteArray> traceArray(env, capture_stack_trace(env));
  if (!traceArray) return compose(message, length, nullptr, 0);
  ByteArrayElements trace(env, traceArray.get(), 0);
  if (!trace.data()) {
    env->ExceptionClear();
    return compose(message, length, nullptr, 0);
  }
  char *text = compose(message, length, trace.data(), static_cast<size_t>(trace.size()));
  // A trace too large for memory should still leave the message itself.
  return text ? text : compose(message, length, nullptr, 0);
}

void store(char **slot, JNIEnv *env, const char *message, size_t length) {
  char *text = env && env->ExceptionCheck() ? compose_with_trace(env, message, length)
                                            : compose(message, length, nullptr, 0);
  // The old text goes only now: the message may have been made from it.
  release_text(*slot);
  *slot = text ? text : outOfMemoryText;
}

// Formats into the fixed buffer; returns the message length, at most 1999.
size_t format_message(char (&buffer)[errorBufferSize], const char *format, va_list args) {
  int length = vsnprintf(buffer, sizeof buffer, format, args);
  if (length < 0) {
    // An encoding error leaves the buffer undefined; the bare format still says what failed.
    snprintf(buffer, sizeof buffer, "%s", format);
    return strlen(buffer);
  }
  return length < errorBufferSize ? static_cast<size_t>(length) : errorBufferSize - 1;
}

}  // namespace

void vset_error(char **slot, JNIEnv *env, const char *format, va_list args) {
  char buffer[errorBufferSize];
  size_t length = format_message(buffer, format, args);
  store(slot, env, buffer, length);
}

void set_error(char **slot, JNIEnv *env, const char *format, ...) {
  va_list args;
  va_start(args, format);
  vset_error(slot, env, format, args);
  va_end(args);
}

void set_error_text(char **slot, JNIEnv *env, const char *text) {
  store(slot, env, text, strlen(text));
}

void clear_error(char **slot) {
  release_text(*slot);
  *slot = nullptr;
}

void vset_isapi_error(const char *format, va_list args) {
  vset_error(&isapiError, nullptr, format, args);
}

void set_isapi_error(const char *format, ...) {
  va_list args;
  va_start(args, format);
  vset_isapi_error(format, args);
  va_end(args);
}

void set_isapi_error_text(const char *text) {
  set_error_text(&isapiError, nullptr, text);
}
