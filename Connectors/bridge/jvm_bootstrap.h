// The JVM bootstrap: load the JVM library, create the process's one JVM, check
// the framework classes, resolve the connector's methods and tell the Java side
// the log file. It stops at the first failure and leaves that failure's message
// in an error slot. Nothing it did is undone: the JVM, once created, stays.
//
// It comes in three parts so that both hosts can share it:
//   check_settings   the configuration checks of the Apache module;
//   start_bootstrap  library load through setLogfile;
//   finish_bootstrap the Object class for exchange arrays.
// The ISAPI extension runs its own ini checks instead of check_settings and
// creates its connector between start and finish.
#pragma once

#include <jni.h>

// The differences between the three flavours of the bridge. Each deliverable
// picks one at compile time; the tests run all three.
struct BootstrapRules {
  bool settingsChecks;     // run check_settings (the module) or leave it to the host
  bool dllSuffixCheck;     // jvm must end in ".dll", any case, and be 5 characters or more
  bool logfileOptional;    // a null logfile skips its checks and its setLogfile call
  const char *noEntryFormat;       // the library has no JNI_CreateJavaVM; %s is jvm
  bool traceAppended;      // failures after creation carry the Java stack trace
  const char *classMissingSuffix;  // appended to the class-not-found messages
};

extern const BootstrapRules linuxModuleRules;
extern const BootstrapRules windowsModuleRules;
extern const BootstrapRules isapiRules;

// The configuration the bootstrap reads; none of it is copied.
struct BootstrapSettings {
  const char *jvm;        // path of the JVM library
  const char *classpath;  // the JVM's class path
  const char *logfile;    // path of the log file
};

// What start_bootstrap hands on for creating a connector: the creating
// thread's JNIEnv and the connector class (a local reference of that thread)
// with its constructor and init method.
struct BootstrapStart {
  JNIEnv *env;
  jclass connectorClass;
  jmethodID constructorMethod;
  jmethodID initMethod;
};

// The results, read by the request paths once the bootstrap has finished.
extern JavaVM *vm;
extern jmethodID processMethod;
extern jmethodID terminateMethod;
extern jmethodID uploadInitMethod;  // null when the connector has no onUploadInit
extern jmethodID uploadMethod;      // null when absent; upload streaming is off then
extern jmethodID uploadEndMethod;   // null when absent
extern jclass jobjectClass;         // global reference to java/lang/Object

// Each step returns false when it failed; its message is then in *slot. With
// traceAppended the slot is written through set_error, else as the ISAPI
// extension writes its text (pass &isapiError); no Java exception is left
// pending either way.
bool check_settings(const BootstrapRules &rules, const BootstrapSettings &settings, char **slot);
bool start_bootstrap(const BootstrapRules &rules, const BootstrapSettings &settings, char **slot,
                     BootstrapStart *started);
bool finish_bootstrap(const BootstrapRules &rules, JNIEnv *env, char **slot);

// All three in order, as the Apache module runs them; deletes the connector
// class reference that start leaves.
bool run_bootstrap(const BootstrapRules &rules, const BootstrapSettings &settings, char **slot);
