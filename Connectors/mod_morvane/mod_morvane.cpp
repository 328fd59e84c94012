// The Apache module: its record, its directives and its content handler.
#include <cstring>

#include <jni.h>

#include "java_connection.h"
#include "java_request.h"
#include "jni_scope.h"
#include "jvm_bootstrap.h"
#include "parameters.h"
#include "request_log.h"
#include "server_registry.h"
#include "upload.h"

#include "http_protocol.h"

namespace {

// Apache's cmd_func is declared without parameters in C++, so each handler is
// converted to it here, once; going through void(*)() tells the compiler that
// the conversion is meant.
template <typename Handler>
cmd_func as_cmd_func(Handler handler) {
  return reinterpret_cast<cmd_func>(reinterpret_cast<void (*)()>(handler));
}

constexpr int anywhereButHtaccess = RSRC_CONF | ACCESS_CONF;

const command_rec morvane_cmds[] = {
    AP_INIT_RAW_ARGS("JVM", as_cmd_func(set_jvm), nullptr, anywhereButHtaccess, "Path to JVM"),
    AP_INIT_RAW_ARGS("classpath", as_cmd_func(set_classpath), nullptr, anywhereButHtaccess,
                     "Classpath for JVM"),
    AP_INIT_RAW_ARGS("LogFile", as_cmd_func(set_log_file), nullptr, anywhereButHtaccess,
                     "Logfile for error messages"),
    AP_INIT_RAW_ARGS("MorvaneConfigXML", as_cmd_func(set_config_file), nullptr, anywhereButHtaccess,
                     "Morvane configuration XML file"),
    AP_INIT_RAW_ARGS("ReloadableClasses", as_cmd_func(set_reloadable_classes), nullptr,
                     anywhereButHtaccess, "Morvane Reloadable classpath"),
    AP_INIT_RAW_ARGS("DisplayServletMessage", as_cmd_func(set_display_servlet_message), nullptr,
                     anywhereButHtaccess, "Whether to display standard message or error 404"),
    AP_INIT_RAW_ARGS("RefreshURLMap", as_cmd_func(set_refresh_url_map), nullptr, anywhereButHtaccess,
                     "Whether to re-read the config XML file when it changes"),
    AP_INIT_RAW_ARGS("KeepAliveTimeout", as_cmd_func(set_keep_alive_timeout), nullptr,
                     anywhereButHtaccess, "Keep alive timeout in seconds"),
    AP_INIT_RAW_ARGS("Parameter", as_cmd_func(set_parameter), nullptr, anywhereButHtaccess,
                     "Parameter(s) to be passed to the Morvane framework"),
    {nullptr, nullptr, nullptr, 0, RAW_ARGS, nullptr},
};

constexpr char handlerName[] = "morvane-handler";
constexpr char attachFailed[] = "morvane&21&Could not attach to Java thread";

// Enough for everything one request makes; the frame frees whatever is left.
constexpr jint requestLocalRefs = 32;

// Every routed response carries these, including the not-found and error
// responses that Apache builds itself; those keep only err_headers_out.
void set_no_cache_headers(request_rec *r) {
  apr_table_setn(r->err_headers_out, "Cache-Control", "no-cache");
  apr_table_setn(r->err_headers_out, "Pragma", "no-cache");
  apr_table_setn(r->err_headers_out, "Expires", "0");
}

// Error texts are answered as they are, as plain text with status 200.
int reply_text(request_rec *r, const char *text) {
  ap_set_content_type(r, "text/plain");
  ap_rputs(text, r);
  return OK;
}

int serve_with_java(JNIEnv *env, request_rec *r, ServerEntry *entry) {
  jni_scope::LocalFrame frame(env, requestLocalRefs);
  if (!frame.pushed()) {
    env->ExceptionClear();
    log_request_error(r, "the JVM has no room for this request's local references");
    return HTTP_INTERNAL_SERVER_ERROR;
  }
  jobject connector = getConnector(env, r->server);
  if (!connector) {
    const char *failure = server_error(entry);
    return failure ? reply_text(r, failure) : OK;
  }
  if (const char *contentType = upload_content_type(r)) return processUpload(env, r, contentType, connector);
  return forward_request(env, r, connector);
}

int morvane_handler(request_rec *r) {
  if (!r->handler || std::strcmp(r->handler, handlerName) != 0) return DECLINED;
  init_java_connection();
  set_no_cache_headers(r);
  if (r->header_only) return OK;
  if (error) return reply_text(r, error);

  ServerEntry *entry = getServer(r->server);
  if (!entry) {
    log_request_error(r, "out of memory for the virtual server's entry");
    return HTTP_INTERNAL_SERVER_ERROR;
  }
  if (const char *failure = server_error(entry)) return reply_text(r, failure);

  JNIEnv *env = nullptr;
  if (vm->AttachCurrentThread(reinterpret_cast<void **>(&env), nullptr) != JNI_OK) return reply_text(r, attachFailed);
  return serve_with_java(env, r, entry);
}

void register_hooks(apr_pool_t *) {
  ap_hook_handler(morvane_handler, nullptr, nullptr, APR_HOOK_MIDDLE);
}

}  // namespace

// Apache 2.4 appends a flags field to the record that 2.2 lacks; it stays zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

// The module's only exported symbol: Apache finds the module by this record.
__attribute__((visibility("default"))) module AP_MODULE_DECLARE_DATA morvane_module = {
    STANDARD20_MODULE_STUFF,
    nullptr,  // create_dir_config
    nullptr,  // merge_dir_config
    nullptr,  // create_server_config
    nullptr,  // merge_server_config
    morvane_cmds,
    register_hooks,
};
