#include "java_connection.h"

#include <atomic>
#include <mutex>

#include "module_rules.h"
#include "parameters.h"

bool inited = false;
char *error = nullptr;

namespace {
// Set, after everything the bootstrap stores, once it has run; the cheap test
// that every later request makes.
std::atomic<bool> outcomeStored{false};
std::mutex bootstrapLock;
}  // namespace

void init_java_connection() {
  if (outcomeStored.load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> lock(bootstrapLock);
  if (inited) return;
  inited = true;
  run_bootstrap(module_rules(), BootstrapSettings{jvm, classpath, logfile}, &error);
  outcomeStored.store(true, std::memory_order_release);
}
