// The few lines that differ between Apache 2.2 and 2.4. Everything else of the
// module is written against the API that both series share.
//
// Include the C++ standard headers before this one: 2.2's httpd.h redefines
// strtoul, which breaks <string> and friends when they come after it.
#pragma once

#include "httpd.h"
#include "http_config.h"
#include "ap_mmn.h"

// The client address as text, made by Apache itself: dotted text for IPv4 clients
// and proper text for IPv6 clients. 2.4 also honours mod_remoteip here.
inline const char *client_address_text(const request_rec *r) {
#if AP_MODULE_MAGIC_AT_LEAST(20111130, 0)
  return r->useragent_ip;
#else
  return r->connection->remote_ip;
#endif
}

// 2.4 tags each log line with the module that wrote it, and a C++ file that
// logs must say which module it belongs to; 2.2 has no such tagging.
#ifdef APLOG_USE_MODULE
#define MORVANE_LOG_MODULE APLOG_USE_MODULE(morvane)
#else
#define MORVANE_LOG_MODULE static_assert(true, "")
#endif
