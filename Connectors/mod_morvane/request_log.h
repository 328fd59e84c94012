// Failures that the module cannot answer with an error text of its own go to
// Apache's error log, tagged with the request.
#pragma once

#include "apache_compat.h"

void log_request_error(request_rec *r, const char *format, ...) __attribute__((format(printf, 2, 3)));
