// Error texts: the heap strings that describe a failure and that the request
// handlers answer with while it lasts. A slot (a `char *`, null while nothing
// failed) owns its text; every write replaces and frees the previous one.
#pragma once

#include <jni.h>

#include <cstdarg>

// Messages are formatted into a buffer of this size, so a formatted message
// keeps at most 1999 bytes; anything longer is cut there.
constexpr int errorBufferSize = 2000;

// Formats the message into *slot. When env is given and a Java exception is
// pending, the exception is cleared and its stack trace, as printStackTrace
// writes it, follows the message after "\r\n". With a null env a pending
// exception is left alone.
void set_error(char **slot, JNIEnv *env, const char *format, ...) __attribute__((format(printf, 3, 4)));
void vset_error(char **slot, JNIEnv *env, const char *format, va_list args);

// Stores a ready text as set_error would, byte for byte: no '%' is taken for a
// directive and the text is not cut.
void set_error_text(char **slot, JNIEnv *env, const char *text);

// Empties a slot. Use this instead of free(): when memory runs out a slot holds
// a fixed text that was never allocated, so that a failure never reads as success.
void clear_error(char **slot);

// The ISAPI extension's one error text. Its writers never look at the JVM: a
// pending exception is neither captured nor cleared.
extern char *isapiError;
void set_isapi_error(const char *format, ...) __attribute__((format(printf, 1, 2)));
void vset_isapi_error(const char *format, va_list args);
void set_isapi_error_text(const char *text);
