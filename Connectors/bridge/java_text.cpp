#include "java_text.h"

#include "java_chars.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "java_contract.h"
#include "jni_scope.h"

namespace {

jstring no_string(JNIEnv *env) {
  env->ExceptionClear();
  return nullptr;
}

// From this length on, plain ASCII is handed to String(byte[] ascii, int hibyte,
// int offset, int count) with hibyte 0, which copies the bytes once into a
// compact String; NewStringUTF walks them twice (length, then conversion),
// which was a quarter of the work of a 64 KiB POST. The result is the same.
constexpr size_t bulkAsciiLength = 256;

struct AsciiConstructor {
  jclass stringClass = nullptr;  // global reference
  jmethodID constructor = nullptr;
};

const AsciiConstructor &ascii_constructor(JNIEnv *env) {
  static std::once_flag once;
  static AsciiConstructor found;
  std::call_once(once, [env] {
    jni_scope::LocalRef<jclass> stringClass(env, env->FindClass(java_contract::stringClass));
    jmethodID constructor = stringClass ? env->GetMethodID(stringClass.get(), "<init>", "([BIII)V") : nullptr;
    if (constructor) {
      found.stringClass = static_cast<jclass>(env->NewGlobalRef(stringClass.get()));
      found.constructor = found.stringClass ? constructor : nullptr;
    }
    if (env->ExceptionCheck()) env->ExceptionClear();
  });
  return found;
}

// Null when the bulk route is not available; the caller then takes NewStringUTF.
jstring bulk_ascii_string(JNIEnv *env, const char *bytes, size_t length, bool *tried) {
  const AsciiConstructor &make = ascii_constructor(env);
  *tried = make.constructor && length <= static_cast<size_t>(INT_MAX);
  if (!*tried) return nullptr;
  jsize size = static_cast<jsize>(length);
  jni_scope::LocalRef<jbyteArray> ascii(env, env->NewByteArray(size));
  if (!ascii) return no_string(env);
  env->SetByteArrayRegion(ascii.get(), 0, size, reinterpret_cast<const jbyte *>(bytes));
  jobject text = env->NewObject(make.stringClass, make.constructor, ascii.get(), 0, 0, size);
  return text ? static_cast<jstring>(text) : no_string(env);
}

jstring ascii_string(JNIEnv *env, const char *bytes, size_t length) {
  if (length >= bulkAsciiLength) {
    bool tried = false;
    jstring text = bulk_ascii_string(env, bytes, length, &tried);
    if (tried) return text;
  }
  jstring text = env->NewStringUTF(bytes);
  return text ? text : no_string(env);
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
  if (is_plain_ascii(unsignedBytes, length)) return ascii_string(env, bytes, length);
  return decoded_string(env, unsignedBytes, length);
}

jstring new_java_string(JNIEnv *env, const char *bytes, size_t length) {
  if (!bytes) return nullptr;
  return decoded_string(env, reinterpret_cast<const unsigned char *>(bytes), length);
}
