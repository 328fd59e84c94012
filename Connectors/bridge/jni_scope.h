// Small owners for JNI resources that must be given back on every path: local
// references, local frames, the UTF bytes of a String and the elements of a byte
// array. Each releases what it holds when it goes out of scope, so an early
// return can never leak a reference or pin an array.
#pragma once

#include <jni.h>

namespace jni_scope {

// A local reference, deleted at scope end. Null is allowed and ignored.
template <typename T>
class LocalRef {
 public:
  LocalRef(JNIEnv *env, T ref) : env_(env), ref_(ref) {}
  ~LocalRef() {
    if (ref_) env_->DeleteLocalRef(ref_);
  }
  LocalRef(const LocalRef &) = delete;
  LocalRef &operator=(const LocalRef &) = delete;

  T get() const { return ref_; }
  explicit operator bool() const { return ref_ != nullptr; }
  // Hands the reference to the caller, who then deletes it.
  T release() {
    T ref = ref_;
    ref_ = nullptr;
    return ref;
  }

 private:
  JNIEnv *env_;
  T ref_;
};

// Room for `capacity` local references, all freed together at scope end. A
// thread that stays attached for the life of the process would otherwise keep
// every local reference that a request forgot to delete.
class LocalFrame {
 public:
  LocalFrame(JNIEnv *env, jint capacity) : env_(env), pushed_(env->PushLocalFrame(capacity) == 0) {}
  ~LocalFrame() {
    if (pushed_) env_->PopLocalFrame(nullptr);
  }
  LocalFrame(const LocalFrame &) = delete;
  LocalFrame &operator=(const LocalFrame &) = delete;

  // False when the JVM had no room; an OutOfMemoryError is then pending.
  bool pushed() const { return pushed_; }

 private:
  JNIEnv *env_;
  bool pushed_;
};

// The modified UTF-8 bytes of a String, released at scope end.
class UtfChars {
 public:
  UtfChars(JNIEnv *env, jstring text)
      : env_(env), text_(text), chars_(text ? env->GetStringUTFChars(text, nullptr) : nullptr) {}
  ~UtfChars() {
    if (chars_) env_->ReleaseStringUTFChars(text_, chars_);
  }
  UtfChars(const UtfChars &) = delete;
  UtfChars &operator=(const UtfChars &) = delete;

  // Null for a null String or when the JVM could not provide the bytes.
  const char *get() const { return chars_; }

 private:
  JNIEnv *env_;
  jstring text_;
  const char *chars_;
};

// The elements of a byte array, released at scope end with the given mode:
// 0 copies changes back, JNI_ABORT discards them (for arrays only read).
class ByteArrayElements {
 public:
  ByteArrayElements(JNIEnv *env, jbyteArray array, jint releaseMode = JNI_ABORT)
      : env_(env),
        array_(array),
        mode_(releaseMode),
        bytes_(array ? env->GetByteArrayElements(array, nullptr) : nullptr),
        length_(bytes_ ? env->GetArrayLength(array) : 0) {}
  ~ByteArrayElements() {
    if (bytes_) env_->ReleaseByteArrayElements(array_, bytes_, mode_);
  }
  ByteArrayElements(const ByteArrayElements &) = delete;
  ByteArrayElements &operator=(const ByteArrayElements &) = delete;

  // Null for a null array or when the JVM could not provide the elements.
  const char *data() const { return reinterpret_cast<const char *>(bytes_); }
  jsize size() const { return length_; }

 private:
  JNIEnv *env_;
  jbyteArray array_;
  jint mode_;
  jbyte *bytes_;
  jsize length_;
};

}  // namespace jni_scope
