#include "jvm_library.h"

#include <windows.h>

namespace {
// GetLastError of the last failed load, kept before anything else can change it.
DWORD lastLoadError = 0;
}  // namespace

void *jvm_library_open(const char *path) {
  HMODULE library = LoadLibraryA(path);
  if (!library) lastLoadError = GetLastError();
  return reinterpret_cast<void *>(library);
}

CreateJavaVMFunction jvm_library_entry(void *library) {
  FARPROC entry = GetProcAddress(static_cast<HMODULE>(library), "JNI_CreateJavaVM");
  return reinterpret_cast<CreateJavaVMFunction>(reinterpret_cast<void (*)()>(entry));
}

char *jvm_library_error_text() {
  char *text = nullptr;
  // FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, in the default
  // language of the neutral locale.
  const DWORD flags = 0x1100;
  const DWORD language = 0x400;
  DWORD length = FormatMessageA(flags, nullptr, lastLoadError, language, reinterpret_cast<LPSTR>(&text), 0,
                                nullptr);
  if (length == 0) return nullptr;
  return text;
}

void jvm_library_free_text(char *text) {
  if (text) LocalFree(text);
}
