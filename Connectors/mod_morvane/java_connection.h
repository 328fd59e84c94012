// The module's JVM bootstrap: run once per server process, on the first routed
// request, from the configuration that the directives set.
#pragma once

// The bootstrap has been attempted in this process. Set first, never cleared.
// Read it only through init_java_connection: while the bootstrap runs, other
// threads must wait for its outcome rather than look at the globals.
extern bool inited;

// The bootstrap's error text (null while nothing failed), or the text that the
// Java side's setLogfile returned.
extern char *error;

// Runs the bootstrap once per process. Every call returns only when the
// bootstrap's outcome is stored: the first caller runs it, callers that come
// while it runs wait for it, and later calls return at once (one atomic load).
// Call it on every routed request before reading `error` or any bridge global.
void init_java_connection();
