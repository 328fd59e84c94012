#include "java_request.h"

#include <mutex>

#include "body_buffer.h"
#include "java_contract.h"
#include "java_text.h"
#include "jni_scope.h"
#include "jvm_bootstrap.h"
#include "request_body.h"
#include "request_log.h"
#include "session_cookie.h"

#include "apr_strings.h"
#include "http_protocol.h"

using jni_scope::ByteArrayElements;
using jni_scope::LocalRef;
using jni_scope::UtfChars;

namespace {

// What `process` may leave in the exchange array is checked against these
// before it is handed to a string or array function: a wrong type there would
// corrupt memory rather than fail.
struct ReplyClasses {
  jclass string = nullptr;
  jclass bytes = nullptr;
};

const ReplyClasses &reply_classes(JNIEnv *env) {
  static std::once_flag once;
  static ReplyClasses classes;
  std::call_once(once, [env] {
    LocalRef<jclass> string(env, env->FindClass(java_contract::stringClass));
    LocalRef<jclass> bytes(env, env->FindClass("[B"));
    if (string) classes.string = static_cast<jclass>(env->NewGlobalRef(string.get()));
    if (bytes) classes.bytes = static_cast<jclass>(env->NewGlobalRef(bytes.get()));
    if (env->ExceptionCheck()) env->ExceptionClear();
  });
  return classes;
}

// The slot's value when it is of the expected class, else null.
jobject read_slot(JNIEnv *env, jobjectArray exchange, int slot, jclass expected) {
  jobject value = env->GetObjectArrayElement(exchange, slot);
  if (value && (!expected || !env->IsInstanceOf(value, expected))) {
    env->DeleteLocalRef(value);
    return nullptr;
  }
  return value;
}

void append_to_body(void *context, const char *bytes, size_t length) {
  body_append(static_cast<BodyBuffer *>(context), bytes, length);
}

// Slot 0: the body up to its first NUL when there is one, else the non-empty
// query string, else null. A request with a body never passes its query.
jstring body_or_query(JNIEnv *env, request_rec *r, BodyBuffer *body) {
  if (body->used > 0)
    if (jstring text = new_java_string(env, body_text(body))) return text;
  if (r->args && *r->args) return new_java_string(env, r->args);
  return nullptr;
}

jstring session_id(JNIEnv *env, request_rec *r) {
  const char *cookie = apr_table_get(r->headers_in, "Cookie");
  CookieValue value{};
  if (!cookie || !find_session_cookie(cookie, &value)) return nullptr;
  return new_java_string(env, value.data, value.length);
}

struct Reply {
  jbyteArray body;      // null: not found
  jstring session;      // null: no cookie
  jstring contentType;  // null: "text/plain"
};

// Reads the answer back, checked against the types the contract allows.
Reply read_reply(JNIEnv *env, jobjectArray exchange) {
  const ReplyClasses &classes = reply_classes(env);
  return Reply{
      static_cast<jbyteArray>(read_slot(env, exchange, java_contract::slotBody, classes.bytes)),
      static_cast<jstring>(read_slot(env, exchange, java_contract::slotSession, classes.string)),
      static_cast<jstring>(read_slot(env, exchange, java_contract::slotContentType, classes.string)),
  };
}

void write_content_type(JNIEnv *env, request_rec *r, jstring contentType) {
  UtfChars chars(env, contentType);
  ap_set_content_type(r, chars.get() ? apr_pstrdup(r->pool, chars.get()) : "text/plain");
}

// A not-found answer is built by Apache itself, which keeps only
// err_headers_out; the session id must reach the client then too.
void write_session_cookie(JNIEnv *env, request_rec *r, jstring session, bool notFound) {
  UtfChars chars(env, session);
  if (!chars.get()) return;
  apr_table_setn(notFound ? r->err_headers_out : r->headers_out, "Set-Cookie",
                 apr_pstrcat(r->pool, sessionCookieName, "=", chars.get(), ";PATH=/", nullptr));
}

int fail(JNIEnv *env, request_rec *r, const char *what) {
  if (env->ExceptionCheck()) env->ExceptionClear();
  log_request_error(r, "%s", what);
  return HTTP_INTERNAL_SERVER_ERROR;
}

}  // namespace

// The array is only read, so its elements are released without copying back.
void write_java_bytes(JNIEnv *env, request_rec *r, jbyteArray bytes) {
  ByteArrayElements elements(env, bytes, JNI_ABORT);
  if (elements.data() && elements.size() > 0) ap_rwrite(elements.data(), elements.size(), r);
}

int forward_request(JNIEnv *env, request_rec *r, jobject connector) {
  BodyBuffer body;
  read_request_body(r, append_to_body, &body);
  if (body.failed) {
    log_request_error(r, "the request body could not be buffered: out of memory after %lu bytes",
                      static_cast<unsigned long>(body.used));
    return HTTP_REQUEST_ENTITY_TOO_LARGE;
  }

  LocalRef<jstring> bodyString(env, body_or_query(env, r, &body));
  LocalRef<jobjectArray> exchange(env, env->NewObjectArray(java_contract::exchangeSlots, jobjectClass, nullptr));
  if (!exchange) return fail(env, r, "could not allocate the exchange array in the JVM");
  const char *language = apr_table_get(r->headers_in, "Accept-Language");
  LocalRef<jstring> address(env, new_java_string(env, client_address_text(r)));
  LocalRef<jstring> acceptLanguage(env, language ? new_java_string(env, language) : nullptr);
  LocalRef<jstring> incomingSession(env, session_id(env, r));

  env->SetObjectArrayElement(exchange.get(), java_contract::slotBody, bodyString.get());
  env->SetObjectArrayElement(exchange.get(), java_contract::slotSession, incomingSession.get());
  env->CallVoidMethod(connector, processMethod, exchange.get(), address.get(), acceptLanguage.get());
  // A throwing process still gets a reply from the slots as they stand.
  if (env->ExceptionCheck()) env->ExceptionClear();

  Reply reply = read_reply(env, exchange.get());
  LocalRef<jbyteArray> responseBody(env, reply.body);
  LocalRef<jstring> outgoingSession(env, reply.session);
  {
    LocalRef<jstring> contentType(env, reply.contentType);
    write_content_type(env, r, contentType.get());
  }
  write_session_cookie(env, r, outgoingSession.get(), !responseBody);
  if (!responseBody) return HTTP_NOT_FOUND;
  write_java_bytes(env, r, responseBody.get());
  return OK;
}
