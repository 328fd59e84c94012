// Loading the JVM library: the one part of the bootstrap that differs by
// platform. Each platform has its own implementation file; nothing else in the
// bridge knows which loader it runs on.
#pragma once

#include <jni.h>

using CreateJavaVMFunction = jint(JNICALL *)(JavaVM **vm, void **env, void *args);

// Opens the library at path; null on failure. The library is never closed: the
// JVM it holds lives as long as the process.
void *jvm_library_open(const char *path);

// The library's JNI_CreateJavaVM, or null when it has none.
CreateJavaVMFunction jvm_library_entry(void *library);

// The system's own text for why the last jvm_library_open failed, or null when
// the platform gives none worth reporting. Release it with jvm_library_free_text.
char *jvm_library_error_text();
void jvm_library_free_text(char *text);
