#include "upload.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <strings.h>

#include "java_request.h"
#include "java_text.h"
#include "jni_scope.h"
#include "jvm_bootstrap.h"
#include "request_body.h"

#include "http_protocol.h"

using jni_scope::LocalRef;

namespace {

constexpr char multipartPrefix[] = "multipart/form-data";

// The declared body length as atoi reads it (leading white space, a sign, then
// digits; 0 without digits), or -1 without a Content-Length. A value that does
// not fit an int is -1 too: the Java side then learns that the length is
// unknown rather than a wrong one.
jint content_length(request_rec *r) {
  const char *header = apr_table_get(r->headers_in, "Content-Length");
  if (!header || !*header) return -1;
  errno = 0;
  long long value = std::strtoll(header, nullptr, 10);
  if (errno == ERANGE || value > INT_MAX || value < INT_MIN) return -1;
  return static_cast<jint>(value);
}

// A Java exception that an upload method threw is dropped here, before the
// next JNI call; the upload goes on. Returns whether there was one.
bool clear_exception(JNIEnv *env) {
  if (!env->ExceptionCheck()) return false;
  env->ExceptionClear();
  return true;
}

// onUploadInit's handle. Without onUploadInit the upload is streamed with a
// null handle. A string that cannot be made is passed as null.
jobject open_upload(JNIEnv *env, jobject connector, jstring query, const char *contentType, jint length) {
  if (!uploadInitMethod) return nullptr;
  LocalRef<jstring> type(env, new_java_string(env, contentType));
  jobject handle = env->CallObjectMethod(connector, uploadInitMethod, query, type.get(), length);
  return clear_exception(env) ? nullptr : handle;
}

struct UploadStream {
  JNIEnv *env;
  jobject connector;
  jobject handle;
  bool forwarding;
};

// One data bucket: made into a byte[], handed to onUpload and let go at once,
// so an upload of any size holds a fixed number of references. A false answer,
// an exception, or a piece that cannot be allocated ends the forwarding for
// good: a later piece after a gap would hand Java a corrupted body.
void forward_piece(void *context, const char *bytes, size_t length) {
  auto *stream = static_cast<UploadStream *>(context);
  if (!stream->forwarding) return;
  JNIEnv *env = stream->env;
  LocalRef<jbyteArray> piece(env, env->NewByteArray(static_cast<jsize>(length)));
  if (!piece) {
    clear_exception(env);
    stream->forwarding = false;
    return;
  }
  env->SetByteArrayRegion(piece.get(), 0, static_cast<jsize>(length), reinterpret_cast<const jbyte *>(bytes));
  jboolean more = env->CallBooleanMethod(stream->connector, uploadMethod, stream->handle, piece.get());
  if (clear_exception(env) || !more) stream->forwarding = false;
}

void finish_upload(JNIEnv *env, request_rec *r, jobject connector, jobject handle) {
  if (!uploadEndMethod) return;
  LocalRef<jbyteArray> answer(env, static_cast<jbyteArray>(env->CallObjectMethod(connector, uploadEndMethod, handle)));
  if (clear_exception(env)) return;
  write_java_bytes(env, r, answer.get());
}

}  // namespace

const char *upload_content_type(request_rec *r) {
  if (!uploadMethod) return nullptr;
  const char *type = apr_table_get(r->headers_in, "Content-Type");
  if (!type || strncasecmp(type, multipartPrefix, sizeof multipartPrefix - 1) != 0) return nullptr;
  return type;
}

int processUpload(JNIEnv *env, request_rec *r, const char *contentType, jobject connector) {
  LocalRef<jstring> query(env, r->args && *r->args ? new_java_string(env, r->args) : nullptr);
  jint length = content_length(r);
  ap_set_content_type(r, "text/plain");
  LocalRef<jobject> handle(env, open_upload(env, connector, query.get(), contentType, length));

  UploadStream stream{env, connector, handle.get(), true};
  read_request_body(r, forward_piece, &stream);
  finish_upload(env, r, connector, handle.get());
  return OK;
}
