#include "java_text.h"

#include "java_chars.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

jstring no_string(JNIEnv *env) {
  env->ExceptionClear();
  return nullptr;
}

jstring decoded_string(JNIEnv *env, const unsigned char *bytes, size_t length) {
  if (length > static_cast<size_t>(INT_MAX)) return nullptr;
  auto chars = static_cast<char16_t *>(malloc(length ? length * sizeof(char16_t) : 1));
  if (!chars) return nullptr;
  size_t count = decode_java_chars(bytes, length, chars);
  static_assert(sizeof(jchar) == sizeof(char16_t), "a Java char is one UTF-16 unit");
  jstring text = env->NewString(reinterpret_cast<const jchar *>(chars), static_cast<jsize>(count));
  free(chars);
  return text ? text : no_string(env);
}

}  // namespace

jstring new_java_string(JNIEnv *env, const char *bytes) {
  if (!bytes) return nullptr;
  size_t length = strlen(bytes);
  auto unsignedBytes = reinterpret_cast<const unsigned char *>(bytes);
  if (is_plain_ascii(unsignedBytes, length)) {
    jstring text = env->NewStringUTF(bytes);
    return text ? text : no_string(env);
  }
  return decoded_string(env, unsignedBytes, length);
}

jstring new_java_string(JNIEnv *env, const char *bytes, size_t length) {
  if (!bytes) return nullptr;
  return decoded_string(env, reinterpret_cast<const unsigned char *>(bytes), length);
}
