#include "jvm_test_support.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "jvm_bootstrap.h"

namespace jvm_test {

namespace fs = std::filesystem;

std::string class_path(const std::vector<const char *> &fixtures) {
  std::string path;
  for (const char *fixture : fixtures) {
    if (!path.empty()) path += ':';
    path += std::string(MORVANE_JAVA_FIXTURES) + "/" + fixture;
  }
  return path;
}

TempDir::TempDir() {
  char pattern[] = "/tmp/morvane-jvm-XXXXXX";
  path_ = mkdtemp(pattern);
  chmod(path_.c_str(), 0755);
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string TempDir::link(const std::string &name, const std::string &target) const {
  std::string path = file(name);
  fs::create_symlink(target, path);
  return path;
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

JNIEnv *create_jvm(const std::string &classPath) {
  void *library = dlopen(MORVANE_LIBJVM, RTLD_LAZY);
  if (!library) return nullptr;
  auto create = reinterpret_cast<jint (*)(JavaVM **, void **, void *)>(dlsym(library, "JNI_CreateJavaVM"));
  std::string option = "-Djava.class.path=" + classPath;
  JavaVMOption options[1] = {{option.data(), nullptr}};
  JavaVMInitArgs args{JNI_VERSION_1_2, 1, options, JNI_FALSE};
  JavaVM *created = nullptr;
  JNIEnv *env = nullptr;
  return create(&created, reinterpret_cast<void **>(&env), &args) == JNI_OK ? env : nullptr;
}

JNIEnv *bootstrap_env() {
  JNIEnv *env = nullptr;
  if (!vm || vm->GetEnv(reinterpret_cast<void **>(&env), JNI_VERSION_1_2) != JNI_OK) return nullptr;
  return env;
}

std::u16string java_chars(JNIEnv *env, jstring text) {
  std::u16string chars(static_cast<size_t>(env->GetStringLength(text)), u'\0');
  env->GetStringRegion(text, 0, static_cast<jsize>(chars.size()), reinterpret_cast<jchar *>(chars.data()));
  return chars;
}

int shim_calls() {
  void *shim = dlopen(MORVANE_TEST_SHIM, RTLD_LAZY);
  auto calls = reinterpret_cast<int (*)()>(dlsym(shim, "morvane_shim_calls"));
  return calls ? calls() : -1;
}

}  // namespace jvm_test
