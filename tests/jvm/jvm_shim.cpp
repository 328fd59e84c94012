// A JVM library in front of the real one, for the outcomes of JNI_CreateJavaVM
// that a real JVM does not produce on demand. MORVANE_SHIM_RESULT chooses:
//   "negative"  return JNI_ERR without creating anything;
//   "positive"  create the real JVM and report 1 instead of 0;
//   otherwise   pass the real result through.
// MORVANE_SHIM_DELAY_MS delays every call, to widen races in tests.
#include <dlfcn.h>
#include <jni.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {
std::atomic<int> calls{0};

const char *setting(const char *name) {
  const char *value = getenv(name);
  return value ? value : "";
}
}  // namespace

extern "C" {

// How often JNI_CreateJavaVM has been called in this process.
__attribute__((visibility("default"))) int morvane_shim_calls() {
  return calls.load();
}

__attribute__((visibility("default"))) jint JNI_CreateJavaVM(JavaVM **vm, void **env, void *args) {
  ++calls;
  if (int delay = atoi(setting("MORVANE_SHIM_DELAY_MS"))) {
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  }
  if (strcmp(setting("MORVANE_SHIM_RESULT"), "negative") == 0) return JNI_ERR;
  void *real = dlopen(MORVANE_LIBJVM, RTLD_LAZY | RTLD_LOCAL);
  if (!real) return JNI_ERR;
  auto create = reinterpret_cast<jint (*)(JavaVM **, void **, void *)>(dlsym(real, "JNI_CreateJavaVM"));
  if (!create) return JNI_ERR;
  jint result = create(vm, env, args);
  if (result == JNI_OK && strcmp(setting("MORVANE_SHIM_RESULT"), "positive") == 0) return 1;
  return result;
}
}
