// Byte strings into java.lang.String. Every byte string that a connector hands
// to Java (bodies, query strings, cookie and header values, configuration
// values) goes through here rather than NewStringUTF; see java_chars.h for why
// and for what each byte becomes.
#pragma once

#include <jni.h>

#include <cstddef>

// The String of bytes up to their first NUL. Null bytes give null.
//
// Returns null also when the String cannot be made (memory ran out, or more
// than 2^31-1 chars); no Java exception is left pending in either case, so the
// caller may go on with further JNI calls.
jstring new_java_string(JNIEnv *env, const char *bytes);

// The same for exactly `length` bytes, NUL bytes included (each gives U+0000).
jstring new_java_string(JNIEnv *env, const char *bytes, size_t length);
