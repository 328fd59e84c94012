// Multipart uploads, streamed to the Java connector piece by piece as they
// arrive instead of being collected in memory.
#pragma once

#include <jni.h>

#include "apache_compat.h"

// The request's Content-Type when the request is to be streamed: the connector
// offers onUpload and the type begins with "multipart/form-data" in any case.
// Null otherwise.
const char *upload_content_type(request_rec *r);

// Streams the body to onUploadInit, onUpload and onUploadEnd and writes what
// onUploadEnd returns. Returns OK.
int processUpload(JNIEnv *env, request_rec *r, const char *contentType, jobject connector);
