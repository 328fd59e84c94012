// The ordinary request path: collect the body, hand the request to the Java
// connector's `process` through the exchange array, and write back its answer.
#pragma once

#include <jni.h>

#include "apache_compat.h"

// Returns OK, HTTP_NOT_FOUND when the Java side gave no response bytes, or an
// error status when the request could not be handed over at all.
int forward_request(JNIEnv *env, request_rec *r, jobject connector);

// Writes the bytes of a Java byte array as (part of) the response body; a null
// or empty array writes nothing.
void write_java_bytes(JNIEnv *env, request_rec *r, jbyteArray bytes);
