// Reading a request body from Apache's input filters, for both the ordinary
// request path and upload streaming.
#pragma once

#include <cstddef>

#include "apache_compat.h"

// Receives each data bucket's bytes in body order.
using BodySink = void (*)(void *context, const char *bytes, size_t length);

// Reads the request body to its end, 8192 bytes asked for at a time, handing
// every non-empty data bucket to `sink`. A failing read of the input ends the
// body (the bytes seen so far are the body); a bucket that cannot be read drops
// the rest of its brigade and reading goes on. The brigade is emptied after
// each read, so at most one read's buckets are held at any time.
void read_request_body(request_rec *r, BodySink sink, void *context);
