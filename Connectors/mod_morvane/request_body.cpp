#include "request_body.h"

#include "apr_buckets.h"
#include "util_filter.h"

namespace {

constexpr apr_off_t readSize = 8192;

// Walks one brigade. Returns true when it held the end of the input.
bool consume_brigade(apr_bucket_brigade *brigade, BodySink sink, void *context) {
  for (apr_bucket *bucket = APR_BRIGADE_FIRST(brigade); bucket != APR_BRIGADE_SENTINEL(brigade);
       bucket = APR_BUCKET_NEXT(bucket)) {
    if (APR_BUCKET_IS_EOS(bucket)) return true;
    if (APR_BUCKET_IS_METADATA(bucket)) continue;
    const char *data = nullptr;
    apr_size_t length = 0;
    if (apr_bucket_read(bucket, &data, &length, APR_BLOCK_READ) != APR_SUCCESS) return false;
    if (data && length > 0) sink(context, data, length);
  }
  return false;
}

}  // namespace

void read_request_body(request_rec *r, BodySink sink, void *context) {
  apr_bucket_brigade *brigade = apr_brigade_create(r->pool, r->connection->bucket_alloc);
  for (bool ended = false; !ended;) {
    if (ap_get_brigade(r->input_filters, brigade, AP_MODE_READBYTES, APR_BLOCK_READ, readSize) != APR_SUCCESS)
      break;
    // A blocking read never succeeds with nothing; should a filter do so all the
    // same, stop rather than spin.
    if (APR_BRIGADE_EMPTY(brigade)) break;
    ended = consume_brigade(brigade, sink, context);
    apr_brigade_cleanup(brigade);
  }
  apr_brigade_destroy(brigade);
}
