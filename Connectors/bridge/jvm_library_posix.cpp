#include "jvm_library.h"

#include <dlfcn.h>

void *jvm_library_open(const char *path) {
  return dlopen(path, RTLD_LAZY);
}

CreateJavaVMFunction jvm_library_entry(void *library) {
  return reinterpret_cast<CreateJavaVMFunction>(dlsym(library, "JNI_CreateJavaVM"));
}

// The POSIX builds report a failed load by the path alone.
char *jvm_library_error_text() {
  return nullptr;
}

void jvm_library_free_text(char *) {}
