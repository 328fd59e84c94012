#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "parameters.h"

#include "apr_pools.h"

Param *params = nullptr;
Param *lastParam = nullptr;
const char *jvm = nullptr;
const char *classpath = nullptr;
const char *logfile = nullptr;

namespace {

// A Parameter name is cut to this many bytes; its value is never cut.
constexpr size_t maxParameterName = 399;

// Apache reads its configuration twice at start-up and again at every graceful
// restart, and it may keep this shared object loaded in between. Each pass must
// therefore start from an empty list, which a cleanup on the configuration pool
// guarantees whether or not the module is unloaded.
bool resetRegistered = false;

apr_status_t reset_parameters(void *) {
  for (Param *p = params; p;) {
    Param *next = p->next;
    std::free(p->name);
    std::free(p->value);
    std::free(p);
    p = next;
  }
  params = lastParam = nullptr;
  jvm = classpath = logfile = nullptr;
  resetRegistered = false;
  return APR_SUCCESS;
}

void reset_with_pool(apr_pool_t *pool) {
  if (resetRegistered) return;
  apr_pool_cleanup_register(pool, nullptr, reset_parameters, apr_pool_cleanup_null);
  resetRegistered = true;
}

char *copy_text(const char *text, size_t length) {
  char *copy = static_cast<char *>(std::malloc(length + 1));
  if (!copy) return nullptr;
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

// The C locale's white space; bytes from 0x80 up never count, whatever the locale.
bool is_c_space(unsigned char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

const char *add_owned(cmd_parms *cmd, const char *name, const char *args) {
  reset_with_pool(cmd->pool);
  add_parameter(cmd->server, name, args);
  return nullptr;
}

const char *add_global(cmd_parms *cmd, const char *name, const char *args) {
  reset_with_pool(cmd->pool);
  add_parameter(nullptr, name, args);
  return nullptr;
}

}  // namespace

void add_parameter(server_rec *server, const char *name, const char *value) {
  Param *entry = static_cast<Param *>(std::malloc(sizeof(Param)));
  char *nameCopy = copy_text(name, std::strlen(name));
  char *valueCopy = copy_text(value, std::strlen(value));
  if (!entry || !nameCopy || !valueCopy) {
    // Out of memory while reading the configuration: drop the parameter rather
    // than store a half-made entry. A missing setting shows up later as the
    // bootstrap's or the server's error text.
    std::free(entry);
    std::free(nameCopy);
    std::free(valueCopy);
    return;
  }
  *entry = Param{server, nameCopy, valueCopy, nullptr};
  if (lastParam)
    lastParam->next = entry;
  else
    params = entry;
  lastParam = entry;

  if (strcasecmp(name, "jvm") == 0)
    jvm = entry->value;
  else if (strcasecmp(name, "classpath") == 0)
    classpath = entry->value;
  else if (strcasecmp(name, "logfile") == 0)
    logfile = entry->value;
}

const char *set_jvm(cmd_parms *cmd, void *, const char *args) { return add_global(cmd, "JVM", args); }
const char *set_classpath(cmd_parms *cmd, void *, const char *args) { return add_global(cmd, "Classpath", args); }
const char *set_log_file(cmd_parms *cmd, void *, const char *args) { return add_global(cmd, "LogFile", args); }

const char *set_config_file(cmd_parms *cmd, void *, const char *args) {
  return add_owned(cmd, "MorvaneConfigXML", args);
}
const char *set_reloadable_classes(cmd_parms *cmd, void *, const char *args) {
  return add_owned(cmd, "ReloadableClasses", args);
}
const char *set_display_servlet_message(cmd_parms *cmd, void *, const char *args) {
  return add_owned(cmd, "DisplayServletMessage", args);
}
const char *set_refresh_url_map(cmd_parms *cmd, void *, const char *args) {
  return add_owned(cmd, "RefreshURLMap", args);
}
const char *set_keep_alive_timeout(cmd_parms *cmd, void *, const char *args) {
  return add_owned(cmd, "KeepAliveTimeout", args);
}

// "name=value": split at the first "=", skip white space before the value, and
// drop lines without a name or without a value. Returns null in every case, so
// Apache never reports a Parameter line.
const char *set_parameter(cmd_parms *cmd, void *, const char *args) {
  const char *equals = std::strchr(args, '=');
  if (!equals || equals == args) return nullptr;
  const char *value = equals + 1;
  while (is_c_space(static_cast<unsigned char>(*value))) ++value;
  if (!*value) return nullptr;

  char name[maxParameterName + 1];
  size_t length = std::min(static_cast<size_t>(equals - args), maxParameterName);
  std::memcpy(name, args, length);
  name[length] = '\0';
  return add_owned(cmd, name, value);
}
