/*
 * The floor of any Apache content handler, for the benchmarks: the same answer
 * as the benchmark's Java logic, with the same headers as mod_morvane, and no
 * work besides. A request without a body answers "Hello, world!"; a body is
 * read and echoed back. Routed by "SetHandler bench-hello".
 */
#include <string.h>

#include "httpd.h"
#include "http_config.h"
#include "http_protocol.h"
#include "apr_strings.h"

static const char hello[] = "Hello, world!";

/* The whole body in one pool block, or NULL when there is none. */
static char *read_body(request_rec *r, apr_size_t *length)
{
    apr_size_t used = 0, capacity = 8192;
    char *data;
    long got;

    *length = 0;
    if (ap_setup_client_block(r, REQUEST_CHUNKED_DECHUNK) != OK || !ap_should_client_block(r))
        return NULL;
    if (r->remaining > 0)
        capacity = (apr_size_t)r->remaining + 1;
    data = apr_palloc(r->pool, capacity);
    for (;;) {
        if (capacity - used < 8192) {
            char *grown = apr_palloc(r->pool, capacity * 2);
            memcpy(grown, data, used);
            data = grown;
            capacity *= 2;
        }
        got = ap_get_client_block(r, data + used, capacity - used);
        if (got <= 0)
            break;
        used += (apr_size_t)got;
    }
    *length = used;
    return data;
}

static int bench_hello_handler(request_rec *r)
{
    apr_size_t length;
    char *body;

    if (!r->handler || strcmp(r->handler, "bench-hello") != 0)
        return DECLINED;
    apr_table_setn(r->err_headers_out, "Cache-Control", "no-cache");
    apr_table_setn(r->err_headers_out, "Pragma", "no-cache");
    apr_table_setn(r->err_headers_out, "Expires", "0");
    if (r->header_only)
        return OK;
    ap_set_content_type(r, "text/plain");
    body = read_body(r, &length);
    if (length > 0)
        ap_rwrite(body, (int)length, r);
    else
        ap_rwrite(hello, sizeof hello - 1, r);
    return OK;
}

static void bench_hello_hooks(apr_pool_t *pool)
{
    (void)pool;
    ap_hook_handler(bench_hello_handler, NULL, NULL, APR_HOOK_MIDDLE);
}

module AP_MODULE_DECLARE_DATA bench_hello_module = {
    STANDARD20_MODULE_STUFF, NULL, NULL, NULL, NULL, NULL, bench_hello_hooks
};
