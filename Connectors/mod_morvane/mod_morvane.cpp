// The Apache module: its record, its directives and its content handler.
#include "parameters.h"

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

int morvane_handler(request_rec *) {
  return DECLINED;
}

void register_hooks(apr_pool_t *) {
  ap_hook_handler(morvane_handler, nullptr, nullptr, APR_HOOK_MIDDLE);
}

}  // namespace

// Apache 2.4 appends a flags field to the record that 2.2 lacks; it stays zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

extern "C" {
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
}
