#include "request_log.h"

#include <cstdarg>

#include "apr_strings.h"
#include "http_log.h"

MORVANE_LOG_MODULE;

void log_request_error(request_rec *r, const char *format, ...) {
  va_list args;
  va_start(args, format);
  const char *text = apr_pvsprintf(r->pool, format, args);
  va_end(args);
  ap_log_rerror(APLOG_MARK, APLOG_ERR, 0, r, "mod_morvane: %s", text);
}
