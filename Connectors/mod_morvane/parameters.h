// The module's configuration: one process-wide list of name/value parameters,
// each owned by one virtual server or by all of them, filled by the directive
// handlers while Apache reads its configuration and only read afterwards.
#pragma once

#include "apache_compat.h"

struct Param {
  server_rec *server;  // owner; null for a parameter that every server sees
  char *name;
  char *value;
  Param *next;
};

extern Param *params;
extern Param *lastParam;

// Point at the value of the last parameter of that name (any case); null until set.
extern const char *jvm;
extern const char *classpath;
extern const char *logfile;

void add_parameter(server_rec *server, const char *name, const char *value);

// The directive handlers of the command table. Each takes the raw rest of the
// directive line and never refuses it.
const char *set_jvm(cmd_parms *cmd, void *mconfig, const char *args);
const char *set_classpath(cmd_parms *cmd, void *mconfig, const char *args);
const char *set_log_file(cmd_parms *cmd, void *mconfig, const char *args);
const char *set_config_file(cmd_parms *cmd, void *mconfig, const char *args);
const char *set_reloadable_classes(cmd_parms *cmd, void *mconfig, const char *args);
const char *set_display_servlet_message(cmd_parms *cmd, void *mconfig, const char *args);
const char *set_refresh_url_map(cmd_parms *cmd, void *mconfig, const char *args);
const char *set_keep_alive_timeout(cmd_parms *cmd, void *mconfig, const char *args);
const char *set_parameter(cmd_parms *cmd, void *mconfig, const char *args);
