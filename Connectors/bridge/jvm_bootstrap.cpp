#include "jvm_bootstrap.h"

#include "connector_messages.h"
#include "error_text.h"
#include "java_contract.h"
#include "java_text.h"
#include "jni_scope.h"
#include "jvm_library.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using jni_scope::LocalRef;
using jni_scope::UtfChars;

JavaVM *vm = nullptr;
jmethodID processMethod = nullptr;
jmethodID terminateMethod = nullptr;
jmethodID uploadInitMethod = nullptr;
jmethodID uploadMethod = nullptr;
jmethodID uploadEndMethod = nullptr;
jclass jobjectClass = nullptr;

namespace {
constexpr char libraryNoEntry[] = "JVM Library \"%s\" does not contain a valid JVM";
constexpr char dllNoEntry[] = "JVM DLL \"%s\" does not contain a valid JVM";
constexpr char reloadAdvice[] = "\r\n\r\nExtension must be unloaded and reloaded to read the new classpath.";
}  // namespace

// settingsChecks, dllSuffixCheck, logfileOptional, noEntryFormat, traceAppended, classMissingSuffix
const BootstrapRules linuxModuleRules = {true, false, false, libraryNoEntry, true, ""};
const BootstrapRules windowsModuleRules = {true, true, true, libraryNoEntry, true, ""};
const BootstrapRules isapiRules = {false, false, false, dllNoEntry, false, reloadAdvice};

namespace {

// Writes a failure into the slot as the flavour wants it, and makes sure no
// Java exception stays pending into whatever JNI call comes next.
__attribute__((format(printf, 4, 5))) void report(const BootstrapRules &rules, char **slot, JNIEnv *env,
                                                  const char *format, ...) {
  va_list args;
  va_start(args, format);
  vset_error(slot, rules.traceAppended ? env : nullptr, format, args);
  va_end(args);
  if (env) env->ExceptionClear();
}

void report_text(const BootstrapRules &rules, char **slot, JNIEnv *env, const char *text) {
  set_error_text(slot, rules.traceAppended ? env : nullptr, text);
  if (env) env->ExceptionClear();
}

bool ends_with_dll(const char *path) {
  size_t length = strlen(path);
  if (length < 5) return false;
  const char *suffix = path + length - 4;
  const char *dll = ".dll";
  for (int i = 0; i < 4; ++i) {
    if (tolower(static_cast<unsigned char>(suffix[i])) != dll[i]) return false;
  }
  return true;
}

// A missing log file is created empty; whether that worked shows in the
// writability check that follows.
bool log_file_writable(const char *logfile) {
  if (access(logfile, F_OK) != 0) {
    FILE *file = fopen(logfile, "wb");
    if (file) fclose(file);
  }
  return access(logfile, W_OK) == 0;
}

bool report_load_failure(const BootstrapRules &rules, const char *jvm, char **slot) {
  char *reason = jvm_library_error_text();
  if (reason) {
    report(rules, slot, nullptr, "Could not load JVM \"%s\": %s", jvm, reason);
    jvm_library_free_text(reason);
  } else {
    report(rules, slot, nullptr, "Could not load JVM \"%s\"", jvm);
  }
  return false;
}

// Creates the JVM and returns the creating thread's JNIEnv, or null after
// reporting the failure. `vm` is set only when the JVM exists.
JNIEnv *create_java_vm(const BootstrapRules &rules, CreateJavaVMFunction create, const BootstrapSettings &settings,
                       char **slot) {
  static const char classPathPrefix[] = "-Djava.class.path=";
  size_t length = strlen(settings.classpath);
  auto classPathOption = static_cast<char *>(malloc(length + 22));
  if (!classPathOption) {
    report(rules, slot, nullptr, "Java VM Creation from \"%s\" failed", settings.jvm);
    return nullptr;
  }
  memcpy(classPathOption, classPathPrefix, sizeof classPathPrefix - 1);
  memcpy(classPathOption + sizeof classPathPrefix - 1, settings.classpath, length + 1);

  // -Xrs keeps the JVM's hands off SIGHUP, SIGINT and SIGTERM: the web server
  // uses them itself (a threaded Apache wakes its listener with SIGHUP), and a
  // JVM that took them over cut every request in flight at a graceful restart.
  char reduceSignals[] = "-Xrs";
  JavaVMOption options[2] = {{classPathOption, nullptr}, {reduceSignals, nullptr}};
  JavaVMInitArgs args;
  args.version = JNI_VERSION_1_2;
  args.nOptions = 2;
  args.options = options;
  args.ignoreUnrecognized = JNI_FALSE;

  JavaVM *created = nullptr;
  JNIEnv *env = nullptr;
  jint result = create(&created, reinterpret_cast<void **>(&env), &args);
  free(classPathOption);
  // A positive result counts as success, as long as it came with a JVM.
  if (result < 0 || !created || !env) {
    report(rules, slot, nullptr, "Java VM Creation from \"%s\" failed", settings.jvm);
    return nullptr;
  }
  vm = created;
  return env;
}

bool find_classes(const BootstrapRules &rules, JNIEnv *env, const char *classpath, char **slot, jclass *connector) {
  LocalRef<jclass> framework(env, env->FindClass(java_contract::frameworkClass));
  if (!framework) {
    report(rules, slot, env, MORVANE_FRAMEWORK_CLASS_MISSING "%s", classpath, rules.classMissingSuffix);
    return false;
  }
  *connector = env->FindClass(java_contract::connectorClass);
  if (!*connector) {
    report(rules, slot, env, MORVANE_CONNECTOR_CLASS_MISSING "%s", classpath, rules.classMissingSuffix);
    return false;
  }
  return true;
}

jmethodID method_id(JNIEnv *env, jclass cls, const java_contract::Method &method) {
  return env->GetMethodID(cls, method.name, method.signature);
}

// An optional method that cannot be found is simply absent.
jmethodID optional_method_id(JNIEnv *env, jclass cls, const java_contract::Method &method) {
  jmethodID id = method_id(env, cls, method);
  if (env->ExceptionCheck()) {
    env->ExceptionClear();
    return nullptr;
  }
  return id;
}

bool resolve_methods(const BootstrapRules &rules, JNIEnv *env, jclass cls, char **slot, BootstrapStart *started,
                     jmethodID *setLogfile) {
  started->constructorMethod = method_id(env, cls, java_contract::constructor);
  if (!started->constructorMethod) {
    report(rules, slot, env, ctorNotFound);
    return false;
  }
  started->initMethod = method_id(env, cls, java_contract::init);
  if (!started->initMethod) {
    report(rules, slot, env, initNotFound);
    return false;
  }
  processMethod = method_id(env, cls, java_contract::process);
  if (!processMethod) {
    report(rules, slot, env, initNotFound);
    return false;
  }
  terminateMethod = method_id(env, cls, java_contract::terminate);
  if (!terminateMethod) {
    report(rules, slot, env, terminateNotFound);
    return false;
  }
  uploadInitMethod = optional_method_id(env, cls, java_contract::onUploadInit);
  uploadEndMethod = optional_method_id(env, cls, java_contract::onUploadEnd);
  uploadMethod = optional_method_id(env, cls, java_contract::onUpload);
  *setLogfile = env->GetStaticMethodID(cls, java_contract::setLogfile.name, java_contract::setLogfile.signature);
  if (!*setLogfile) {
    report(rules, slot, env, setLogfileNotFound);
    return false;
  }
  return true;
}

// Hands the log file's path to the Java side, which does all the logging. A
// text it returns becomes the error text unchanged; the bootstrap goes on.
void tell_log_file(const BootstrapRules &rules, JNIEnv *env, jclass cls, jmethodID setLogfile, const char *logfile,
                   char **slot) {
  if (!logfile && rules.logfileOptional) return;
  LocalRef<jstring> path(env, new_java_string(env, logfile));
  LocalRef<jstring> answer(env, static_cast<jstring>(env->CallStaticObjectMethod(cls, setLogfile, path.get())));
  // A setLogfile that throws has nothing to report; its exception must not
  // reach the calls that follow.
  if (env->ExceptionCheck()) env->ExceptionClear();
  if (!answer) return;
  UtfChars text(env, answer.get());
  if (text.get()) {
    report_text(rules, slot, env, text.get());
  } else {
    report(rules, slot, env, "setLogfile returned a text that could not be read");
  }
}

}  // namespace

bool check_settings(const BootstrapRules &rules, const BootstrapSettings &settings, char **slot) {
  if (!rules.settingsChecks) return true;
  if (!settings.jvm) {
    report(rules, slot, nullptr, "JVM has not been set in the configuration file");
    return false;
  }
  if (rules.dllSuffixCheck && !ends_with_dll(settings.jvm)) {
    report(rules, slot, nullptr, "JVM must be a .DLL file. (Found \"%s\")", settings.jvm);
    return false;
  }
  if (!settings.classpath) {
    report(rules, slot, nullptr, "CLASSPATH has not been specified in the configuration file");
    return false;
  }
  if (!settings.logfile) {
    if (rules.logfileOptional) return true;
    report(rules, slot, nullptr, "LogFile has not been specified in the configuration file");
    return false;
  }
  if (!log_file_writable(settings.logfile)) {
    report(rules, slot, nullptr, "Cannot write LogFile \"%s\"", settings.logfile);
    return false;
  }
  return true;
}

bool start_bootstrap(const BootstrapRules &rules, const BootstrapSettings &settings, char **slot,
                     BootstrapStart *started) {
  *started = BootstrapStart{};
  void *library = jvm_library_open(settings.jvm);
  if (!library) return report_load_failure(rules, settings.jvm, slot);
  CreateJavaVMFunction create = jvm_library_entry(library);
  if (!create) {
    report(rules, slot, nullptr, rules.noEntryFormat, settings.jvm);
    return false;
  }
  JNIEnv *env = create_java_vm(rules, create, settings, slot);
  if (!env) return false;

  jclass connector = nullptr;
  if (!find_classes(rules, env, settings.classpath, slot, &connector)) return false;
  LocalRef<jclass> connectorClass(env, connector);
  jmethodID setLogfile = nullptr;
  if (!resolve_methods(rules, env, connector, slot, started, &setLogfile)) return false;
  tell_log_file(rules, env, connector, setLogfile, settings.logfile, slot);

  started->env = env;
  started->connectorClass = connectorClass.release();
  return true;
}

bool finish_bootstrap(const BootstrapRules &rules, JNIEnv *env, char **slot) {
  // Whatever the host did since start (the ISAPI extension constructs its
  // connector here) must not leave an exception pending into FindClass.
  env->ExceptionClear();
  LocalRef<jclass> objectClass(env, env->FindClass(java_contract::objectClass));
  if (objectClass) jobjectClass = static_cast<jclass>(env->NewGlobalRef(objectClass.get()));
  if (!jobjectClass) {
    report(rules, slot, env, "Could not find class \"java.lang.Object\"");
    return false;
  }
  return true;
}

bool run_bootstrap(const BootstrapRules &rules, const BootstrapSettings &settings, char **slot) {
  if (!check_settings(rules, settings, slot)) return false;
  BootstrapStart started;
  if (!start_bootstrap(rules, settings, slot, &started)) return false;
  started.env->DeleteLocalRef(started.connectorClass);
  return finish_bootstrap(rules, started.env, slot);
}
