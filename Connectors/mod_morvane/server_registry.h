// One Java connector per virtual server, created on the server's first routed
// request from the parameters that server can see, or an error text in its
// place. Both outcomes are final for the process.
#pragma once

#include <atomic>
#include <mutex>

#include <jni.h>

#include "apache_compat.h"

struct ServerEntry {
  server_rec *server;  // compared by identity
  char *error;         // why creation failed; null until then
  jobject connector;   // global reference; null until created
  ServerEntry *next;

  // Creation runs once, under `creating`; `settled` publishes its outcome so
  // that later requests read `error` and `connector` without taking the lock.
  std::mutex creating;
  std::atomic<bool> settled{false};
};

extern std::atomic<ServerEntry *> serverList;

// The server's entry, made on first use. Null only when memory ran out.
ServerEntry *getServer(server_rec *server);

// The server's Java connector, created on the first call; null when creation
// failed, with the reason in the entry's error. A request that arrives while
// another creates the connector waits for that outcome. Needs a completed
// bootstrap and the calling thread's env.
jobject getConnector(JNIEnv *env, server_rec *server);

// The entry's error text once creation has failed; null before creation has
// completed or when it succeeded.
const char *server_error(const ServerEntry *entry);
