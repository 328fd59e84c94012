// The configuration checks that the Apache module runs before it loads the JVM.
// No JVM is involved: every case fails or passes before the library load.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "error_text.h"
#include "jvm_bootstrap.h"

namespace {

namespace fs = std::filesystem;

enum class LogFile { none, fresh, inMissingDirectory };

struct SettingsCase {
  const char *label;
  const BootstrapRules *rules;
  const char *jvm;
  const char *classpath;
  LogFile logfile;
  const char *expected;  // null: the checks pass; "{log}" stands for the log path
};

void PrintTo(const SettingsCase &c, std::ostream *os) { *os << c.label; }

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/morvane-settings-XXXXXX";
    path_ = mkdtemp(pattern);
    chmod(path_.c_str(), 0755);  // an unprivileged user must reach files inside
  }
  ~TempDir() { fs::remove_all(path_); }
  std::string file(const char *name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

std::string replace_log(std::string text, const std::string &log) {
  size_t at = text.find("{log}");
  return at == std::string::npos ? text : text.replace(at, 5, log);
}

class SettingsChecks : public ::testing::TestWithParam<SettingsCase> {
 protected:
  void TearDown() override { clear_error(&slot); }
  TempDir dir;
  char *slot = nullptr;
};

TEST_P(SettingsChecks, StopAtTheFirstFailingCheck) {
  const SettingsCase &c = GetParam();
  std::string log = c.logfile == LogFile::fresh ? dir.file("morvane.log") : dir.file("missing/morvane.log");
  const char *logfile = c.logfile == LogFile::none ? nullptr : log.c_str();

  bool passed = check_settings(*c.rules, BootstrapSettings{c.jvm, c.classpath, logfile}, &slot);

  if (!c.expected) {
    EXPECT_TRUE(passed);
    EXPECT_EQ(slot, nullptr);
  } else {
    EXPECT_FALSE(passed);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(std::string(slot), replace_log(c.expected, log));
  }
}

const char kJvm[] = "/usr/lib/jvm/libjvm.so";
const char kDll[] = "C:\\Java\\bin\\server\\jvm.dll";
const char kClasspath[] = "/srv/classes";

INSTANTIATE_TEST_SUITE_P(
    Linux, SettingsChecks,
    ::testing::Values(
        SettingsCase{"no_jvm", &linuxModuleRules, nullptr, nullptr, LogFile::none,
                     "JVM has not been set in the configuration file"},
        SettingsCase{"any_jvm_suffix", &linuxModuleRules, "x", nullptr, LogFile::none,
                     "CLASSPATH has not been specified in the configuration file"},
        SettingsCase{"no_logfile", &linuxModuleRules, kJvm, kClasspath, LogFile::none,
                     "LogFile has not been specified in the configuration file"},
        SettingsCase{"logfile_cannot_be_created", &linuxModuleRules, kJvm, kClasspath, LogFile::inMissingDirectory,
                     "Cannot write LogFile \"{log}\""},
        SettingsCase{"all_set", &linuxModuleRules, kJvm, kClasspath, LogFile::fresh, nullptr}));

INSTANTIATE_TEST_SUITE_P(
    Windows, SettingsChecks,
    ::testing::Values(
        SettingsCase{"no_jvm", &windowsModuleRules, nullptr, kClasspath, LogFile::fresh,
                     "JVM has not been set in the configuration file"},
        SettingsCase{"no_dll_suffix", &windowsModuleRules, "C:\\Java\\jvm", kClasspath, LogFile::fresh,
                     "JVM must be a .DLL file. (Found \"C:\\Java\\jvm\")"},
        SettingsCase{"four_characters", &windowsModuleRules, ".dll", kClasspath, LogFile::fresh,
                     "JVM must be a .DLL file. (Found \".dll\")"},
        SettingsCase{"shortest_dll_too_short", &windowsModuleRules, "x.dl", kClasspath, LogFile::fresh,
                     "JVM must be a .DLL file. (Found \"x.dl\")"},
        SettingsCase{"five_characters", &windowsModuleRules, "x.dll", nullptr, LogFile::fresh,
                     "CLASSPATH has not been specified in the configuration file"},
        SettingsCase{"upper_case_suffix", &windowsModuleRules, "C:\\JVM.DLL", nullptr, LogFile::fresh,
                     "CLASSPATH has not been specified in the configuration file"},
        SettingsCase{"no_logfile_is_fine", &windowsModuleRules, kDll, kClasspath, LogFile::none, nullptr},
        SettingsCase{"logfile_cannot_be_created", &windowsModuleRules, kDll, kClasspath, LogFile::inMissingDirectory,
                     "Cannot write LogFile \"{log}\""},
        SettingsCase{"all_set", &windowsModuleRules, kDll, kClasspath, LogFile::fresh, nullptr}));

// The ISAPI extension checks its ini values itself.
INSTANTIATE_TEST_SUITE_P(Isapi, SettingsChecks,
                         ::testing::Values(SettingsCase{"left_to_the_extension", &isapiRules, nullptr, nullptr,
                                                        LogFile::none, nullptr}));

class LogFileChecks : public ::testing::Test {
 protected:
  void TearDown() override { clear_error(&slot); }
  TempDir dir;
  char *slot = nullptr;
};

TEST_F(LogFileChecks, MissingLogFileIsCreatedEmpty) {
  std::string log = dir.file("created.log");
  ASSERT_TRUE(check_settings(linuxModuleRules, BootstrapSettings{kJvm, kClasspath, log.c_str()}, &slot));
  ASSERT_TRUE(fs::exists(log));
  EXPECT_EQ(fs::file_size(log), 0u);
}

TEST_F(LogFileChecks, ExistingLogFileIsKept) {
  std::string log = dir.file("kept.log");
  FILE *file = fopen(log.c_str(), "w");
  fputs("earlier lines\n", file);
  fclose(file);
  ASSERT_TRUE(check_settings(linuxModuleRules, BootstrapSettings{kJvm, kClasspath, log.c_str()}, &slot));
  EXPECT_EQ(fs::file_size(log), 14u);
}

TEST_F(LogFileChecks, WindowsWithoutLogFileCreatesNothing) {
  ASSERT_TRUE(check_settings(windowsModuleRules, BootstrapSettings{kDll, kClasspath, nullptr}, &slot));
  EXPECT_TRUE(fs::is_empty(dir.file("")));
}

// Root passes every access() write check, so the check runs in a child that
// gives up root for good; the parent keeps root to clean up afterwards.
bool become_unprivileged() {
  if (getuid() != 0) return true;
  const uid_t nobody = 65534;
  return setgroups(0, nullptr) == 0 && setgid(nobody) == 0 && setuid(nobody) == 0;
}

// Exit status of the child: 0 when every flavour refused the log file with its message.
int refuse_unwritable_log_file(const std::string &log) {
  if (!become_unprivileged()) return 2;
  if (access(log.c_str(), W_OK) == 0) return 3;
  for (const BootstrapRules *rules : {&linuxModuleRules, &windowsModuleRules}) {
    char *slot = nullptr;
    if (check_settings(*rules, BootstrapSettings{kDll, kClasspath, log.c_str()}, &slot)) return 4;
    if (std::string(slot) != "Cannot write LogFile \"" + log + "\"") return 5;
  }
  return 0;
}

TEST_F(LogFileChecks, LogFileThatCannotBeWrittenIsRefused) {
  std::string log = dir.file("read-only.log");
  FILE *file = fopen(log.c_str(), "w");
  ASSERT_NE(file, nullptr);
  fclose(file);
  chmod(log.c_str(), 0444);

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(refuse_unwritable_log_file(log));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: cannot drop root, 3: still writable, 4: accepted, 5: wrong message";
}

}  // namespace
