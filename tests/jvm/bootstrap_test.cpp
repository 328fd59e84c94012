// Every outcome of the bootstrap with a real JVM, for each of the three flavours.
#include <signal.h>
#include <stdlib.h>

#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "error_text.h"
#include "jvm_bootstrap.h"
#include "jvm_test_support.h"

namespace {

using jvm_test::class_path;
using jvm_test::TempDir;

enum class Library { real, missing, noEntry, shimNegative, shimPositive };

// Every library gets a ".dll" name, so that the Windows flavour's suffix check
// lets it through; "{jvm}" in a message stands for that name.
std::string library_path(const TempDir &dir, Library library) {
  switch (library) {
    case Library::real: return dir.link("jvm.dll", MORVANE_LIBJVM);
    case Library::missing: return dir.file("missing.dll");
    case Library::noEntry: return dir.link("noentry.dll", MORVANE_TEST_NO_ENTRY);
    case Library::shimNegative:
      setenv("MORVANE_SHIM_RESULT", "negative", 1);
      return dir.link("shim.dll", MORVANE_TEST_SHIM);
    case Library::shimPositive:
      setenv("MORVANE_SHIM_RESULT", "positive", 1);
      return dir.link("shim.dll", MORVANE_TEST_SHIM);
  }
  return {};
}

std::string substitute(std::string text, const char *placeholder, const std::string &value) {
  for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + value.size())) {
    text.replace(at, strlen(placeholder), value);
  }
  return text;
}

const char *flavour_name(const BootstrapRules *rules) {
  return rules == &linuxModuleRules ? "Linux" : rules == &windowsModuleRules ? "Windows" : "Isapi";
}

// A table of cases, each run in every flavour.
template <typename Case>
class InEveryFlavour : public ::testing::TestWithParam<std::tuple<const BootstrapRules *, const Case *>> {
 protected:
  void TearDown() override { clear_error(&moduleSlot); }
  const BootstrapRules &rules() const { return *std::get<0>(this->GetParam()); }
  const Case &param() const { return *std::get<1>(this->GetParam()); }
  // The slot each flavour writes: the module's own, or the extension's one.
  char **slot() { return rules().traceAppended ? &moduleSlot : &isapiError; }

  TempDir dir;
  char *moduleSlot = nullptr;
};

template <typename Case, size_t N>
std::vector<std::tuple<const BootstrapRules *, const Case *>> in_every_flavour(const Case (&cases)[N]) {
  std::vector<std::tuple<const BootstrapRules *, const Case *>> all;
  for (const BootstrapRules *rules : {&linuxModuleRules, &windowsModuleRules, &isapiRules}) {
    for (const Case &c : cases) all.emplace_back(rules, &c);
  }
  return all;
}

struct FlavourAndLabel {
  template <typename Info>
  std::string operator()(const Info &info) const {
    return std::string(flavour_name(std::get<0>(info.param))) + "_" + std::get<1>(info.param)->label;
  }
};

// The bootstrap as each host runs it: the module in one go, the extension in
// start and finish (with its connector created between them).
bool bootstrap(const BootstrapRules &rules, const BootstrapSettings &settings, char **slot) {
  if (rules.settingsChecks) return run_bootstrap(rules, settings, slot);
  BootstrapStart started;
  if (!start_bootstrap(rules, settings, slot, &started)) return false;
  EXPECT_EQ(started.env, jvm_test::bootstrap_env());
  EXPECT_NE(started.connectorClass, nullptr);
  EXPECT_NE(started.constructorMethod, nullptr);
  EXPECT_NE(started.initMethod, nullptr);
  started.env->DeleteLocalRef(started.connectorClass);
  return finish_bootstrap(rules, started.env, slot);
}

// ---- failures -------------------------------------------------------------

enum class Stage { beforeJvm, classMissing, methodMissing };

struct FailureCase {
  const char *label;
  Library library;
  std::vector<const char *> fixtures;
  Stage stage;
  const char *message;       // "{jvm}" and "{cp}" are filled in
  const char *traceStart;    // the first line of the Java trace in the module flavours
  const char *isapiMessage;  // when the extension words it otherwise
};

// HotSpot names the method in more than one form, so only the error class is fixed.
const char kNoSuchMethod[] = "java.lang.NoSuchMethodError: ";
const char kReload[] = "\r\n\r\nExtension must be unloaded and reloaded to read the new classpath.";

const FailureCase kFailures[] = {
    {"missing_library", Library::missing, {"framework", "probe"}, Stage::beforeJvm,
     "Could not load JVM \"{jvm}\"", nullptr, nullptr},
    {"no_entry_point", Library::noEntry, {"framework", "probe"}, Stage::beforeJvm,
     "JVM Library \"{jvm}\" does not contain a valid JVM", nullptr, "JVM DLL \"{jvm}\" does not contain a valid JVM"},
    {"creation_fails", Library::shimNegative, {"framework", "probe"}, Stage::beforeJvm,
     "Java VM Creation from \"{jvm}\" failed", nullptr, nullptr},
    {"no_framework_class", Library::real, {"probe"}, Stage::classMissing,
     "Could not find class \"morvaneFramework.MorvaneFramework\" in classpath\r\n     \"{cp}\"\r\n"
     "Make sure to include path to morvaneFramework JAR file.",
     "java.lang.NoClassDefFoundError: morvaneFramework/MorvaneFramework", nullptr},
    {"no_connector_class", Library::real, {"framework"}, Stage::classMissing,
     "Could not find class \"morvaneConnector.MorvaneHttpConnector\" in classpath\r\n     \"{cp}\"\r\n"
     "Make sure to include path to morvaneConnector JAR file.",
     "java.lang.NoClassDefFoundError: morvaneConnector/MorvaneHttpConnector", nullptr},
    {"no_constructor", Library::real, {"framework", "no-ctor"}, Stage::methodMissing,
     "Internal error in class morvaneConnector.MorvaneHttpConnector (ctor not found)",
     kNoSuchMethod, nullptr},
    {"no_init", Library::real, {"framework", "no-init"}, Stage::methodMissing,
     "Internal error in class morvaneConnector.MorvaneHttpConnector (\"init\" not found)",
     kNoSuchMethod, nullptr},
    {"no_process_reports_init", Library::real, {"framework", "no-process"}, Stage::methodMissing,
     "Internal error in class morvaneConnector.MorvaneHttpConnector (\"init\" not found)",
     kNoSuchMethod, nullptr},
    {"no_terminate", Library::real, {"framework", "no-terminate"}, Stage::methodMissing,
     "Internal error in class morvaneConnector.MorvaneHttpConnector (\"terminate\" not found)",
     kNoSuchMethod, nullptr},
    {"no_setlogfile", Library::real, {"framework", "no-setlogfile"}, Stage::methodMissing,
     "Internal error in class morvaneConnector.MorvaneHttpConnector (\"setLogfile\" not found)",
     kNoSuchMethod, nullptr},
};

using BootstrapFailure = InEveryFlavour<FailureCase>;

TEST_P(BootstrapFailure, StoresTheMessageOfTheFailingStep) {
  const BootstrapRules &rules = this->rules();
  const FailureCase &c = param();
  std::string jvm = library_path(dir, c.library);
  std::string classPath = class_path(c.fixtures);
  std::string log = dir.file("morvane.log");
  char **slot = this->slot();

  ASSERT_FALSE(bootstrap(rules, BootstrapSettings{jvm.c_str(), classPath.c_str(), log.c_str()}, slot));

  ASSERT_NE(*slot, nullptr);
  std::string text = *slot;
  bool isapi = !rules.traceAppended;
  std::string message = substitute(substitute(isapi && c.isapiMessage ? c.isapiMessage : c.message, "{jvm}", jvm), "{cp}", classPath);
  if (c.stage == Stage::beforeJvm) {
    EXPECT_EQ(text, message);
    EXPECT_EQ(vm, nullptr);
    return;
  }
  if (isapi) {
    EXPECT_EQ(text, c.stage == Stage::classMissing ? message + kReload : message);
  } else {
    std::string head = message + "\r\n" + c.traceStart;
    EXPECT_EQ(text.substr(0, head.size()), head) << text;
    EXPECT_EQ(text.back(), '\n') << "the whole trace follows";
  }
  // The JVM stays, with nothing pending on the thread that created it.
  JNIEnv *env = jvm_test::bootstrap_env();
  ASSERT_NE(env, nullptr);
  EXPECT_FALSE(env->ExceptionCheck());
  EXPECT_EQ(jobjectClass, nullptr);
  if (rules.settingsChecks) {
    ASSERT_TRUE(std::filesystem::exists(log)) << "the log file stays created";
    EXPECT_EQ(std::filesystem::file_size(log), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(AllFlavours, BootstrapFailure, ::testing::ValuesIn(in_every_flavour(kFailures)),
                         FlavourAndLabel());

// ---- completion -----------------------------------------------------------

struct SuccessCase {
  const char *label;
  Library library;
  const char *fixture;
  const char *logName;     // the setLogfile-throws case asks through the name
  bool uploadInit, upload, uploadEnd;
  const char *errorText;  // what setLogfile handed back, "{log}" filled in; null for none
};

const SuccessCase kSuccesses[] = {
    {"probe", Library::real, "probe", "morvane.log", true, true, true, nullptr},
    {"positive_creation_result", Library::shimPositive, "probe", "morvane.log", true, true, true, nullptr},
    {"no_upload_methods", Library::real, "no-upload", "morvane.log", false, false, false, nullptr},
    {"upload_without_init", Library::real, "upload-no-init", "morvane.log", false, true, true, nullptr},
    {"upload_without_end", Library::real, "no-upload-end", "morvane.log", true, true, false, nullptr},
    {"setlogfile_text_kept_verbatim", Library::real, "setlogfile-text", "morvane.log", true, true, true,
     "The framework cannot log to %s: {log}"},
    {"setlogfile_throws", Library::real, "probe", "setlogfile-throws.log", true, true, true, nullptr},
};

using BootstrapSuccess = InEveryFlavour<SuccessCase>;

TEST_P(BootstrapSuccess, CompletesWithTheMethodsTheConnectorHas) {
  const BootstrapRules &rules = this->rules();
  const SuccessCase &c = param();
  std::string jvm = library_path(dir, c.library);
  std::string classPath = class_path({"framework", c.fixture});
  std::string log = dir.file(c.logName);
  char **slot = this->slot();

  ASSERT_TRUE(bootstrap(rules, BootstrapSettings{jvm.c_str(), classPath.c_str(), log.c_str()}, slot)) << *slot;

  if (c.errorText) {
    ASSERT_NE(*slot, nullptr);
    EXPECT_EQ(std::string(*slot), substitute(c.errorText, "{log}", log));
  } else {
    EXPECT_EQ(*slot, nullptr) << *slot;
  }
  EXPECT_NE(vm, nullptr);
  EXPECT_NE(processMethod, nullptr);
  EXPECT_NE(terminateMethod, nullptr);
  EXPECT_EQ(uploadInitMethod != nullptr, c.uploadInit);
  EXPECT_EQ(uploadMethod != nullptr, c.upload);
  EXPECT_EQ(uploadEndMethod != nullptr, c.uploadEnd);
  ASSERT_NE(jobjectClass, nullptr);
  JNIEnv *env = jvm_test::bootstrap_env();
  EXPECT_FALSE(env->ExceptionCheck());
  EXPECT_EQ(env->GetObjectRefType(jobjectClass), JNIGlobalRefType);
  // The probe records its setLogfile call in the log file it was given.
  EXPECT_EQ(jvm_test::read_file(log), "setLogfile\tpath=\"" + log + "\"\n");
}

INSTANTIATE_TEST_SUITE_P(AllFlavours, BootstrapSuccess, ::testing::ValuesIn(in_every_flavour(kSuccesses)),
                         FlavourAndLabel());

// ---- single cases ---------------------------------------------------------

TEST(Bootstrap, WindowsWithoutLogFileCallsNoSetLogfile) {
  TempDir dir;
  std::string record = dir.file("record");
  setenv("MORVANE_PROBE_RECORD", record.c_str(), 1);  // where the probe records without a log file
  std::string jvm = dir.link("jvm.dll", MORVANE_LIBJVM);
  std::string classPath = class_path({"framework", "probe"});
  char *slot = nullptr;

  ASSERT_TRUE(run_bootstrap(windowsModuleRules, BootstrapSettings{jvm.c_str(), classPath.c_str(), nullptr}, &slot));
  EXPECT_EQ(slot, nullptr);
  EXPECT_NE(jobjectClass, nullptr);
  EXPECT_FALSE(std::filesystem::exists(record)) << jvm_test::read_file(record);
}

TEST(Bootstrap, WindowsWithoutLogFileStillNeedsSetLogfile) {
  TempDir dir;
  std::string jvm = dir.link("jvm.dll", MORVANE_LIBJVM);
  std::string classPath = class_path({"framework", "no-setlogfile"});
  char *slot = nullptr;

  ASSERT_FALSE(run_bootstrap(windowsModuleRules, BootstrapSettings{jvm.c_str(), classPath.c_str(), nullptr}, &slot));
  std::string head = "Internal error in class morvaneConnector.MorvaneHttpConnector (\"setLogfile\" not found)\r\n";
  EXPECT_EQ(std::string(slot).substr(0, head.size()), head);
  clear_error(&slot);
}

// Without -Xrs the JVM takes SIGHUP, SIGINT and SIGTERM over from the web
// server; a threaded Apache then loses every request in flight at a graceful
// restart.
TEST(Bootstrap, LeavesTheServersSignalsAlone) {
  TempDir dir;
  std::string classPath = class_path({"framework", "probe"});
  std::string log = dir.file("morvane.log");
  char *slot = nullptr;
  ASSERT_TRUE(run_bootstrap(linuxModuleRules, BootstrapSettings{MORVANE_LIBJVM, classPath.c_str(), log.c_str()}, &slot));

  for (int signal : {SIGHUP, SIGINT, SIGTERM}) {
    struct sigaction action {};
    ASSERT_EQ(sigaction(signal, nullptr, &action), 0);
    EXPECT_EQ(action.sa_handler, SIG_DFL) << "signal " << signal;
  }
}

}  // namespace
