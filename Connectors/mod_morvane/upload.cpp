#include "upload.h"

#include "java_request.h"

// Until streaming lands, uploads take the ordinary path.
const char *upload_content_type(request_rec *) {
  return nullptr;
}

int processUpload(JNIEnv *env, request_rec *r, const char *, jobject connector) {
  return forward_request(env, r, connector);
}
