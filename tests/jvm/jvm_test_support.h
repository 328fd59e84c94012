// Shared helpers of the tests that run a real JVM. A process holds one JVM for
// good, so every test runs in a process of its own (one CTest test per test).
#pragma once

#include <jni.h>

#include <filesystem>
#include <string>
#include <vector>

namespace jvm_test {

// "<fixtures>/a:<fixtures>/b" for the named Java fixture directories.
std::string class_path(const std::vector<const char *> &fixtures);

// A fresh directory under /tmp, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  std::string file(const std::string &name) const { return (path_ / name).string(); }
  // A link named `name` to `target`: gives a library the ".dll" name that the
  // Windows flavour insists on.
  std::string link(const std::string &name, const std::string &target) const;

 private:
  std::filesystem::path path_;
};

std::string read_file(const std::string &path);

// Creates this process's JVM directly, for tests that are not about the
// bootstrap, and returns the calling thread's JNIEnv.
JNIEnv *create_jvm(const std::string &classPath);

// The calling thread's JNIEnv of the JVM that the bootstrap created, or null.
JNIEnv *bootstrap_env();

// The UTF-16 chars of a Java String.
std::u16string java_chars(JNIEnv *env, jstring text);

// How often the test JVM library in front of the real one was asked to create a JVM.
int shim_calls();

}  // namespace jvm_test
