// The module's init_java_connection: once per process, with concurrent callers
// waiting for its outcome.
#include <stdlib.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "java_connection.h"
#include "jvm_bootstrap.h"
#include "jvm_test_support.h"
#include "parameters.h"

namespace {

TEST(InitJavaConnection, SecondCallAfterFailureKeepsTheFirstMessage) {
  jvm_test::TempDir dir;
  std::string classPath = jvm_test::class_path({"framework", "probe"});
  std::string log = dir.file("morvane.log");
  jvm = nullptr;
  classpath = classPath.c_str();
  logfile = log.c_str();

  init_java_connection();
  EXPECT_TRUE(inited);
  ASSERT_NE(error, nullptr);
  EXPECT_STREQ(error, "JVM has not been set in the configuration file");

  jvm = MORVANE_LIBJVM;  // a repaired configuration changes nothing in this process
  init_java_connection();
  EXPECT_STREQ(error, "JVM has not been set in the configuration file");
  EXPECT_EQ(vm, nullptr);
}

TEST(InitJavaConnection, ConcurrentCallersShareOneJvmAndSeeItsOutcome) {
  jvm_test::TempDir dir;
  std::string classPath = jvm_test::class_path({"framework", "probe"});
  std::string log = dir.file("morvane.log");
  setenv("MORVANE_SHIM_DELAY_MS", "300", 1);  // keep the first caller busy while the others arrive
  jvm = MORVANE_TEST_SHIM;
  classpath = classPath.c_str();
  logfile = log.c_str();

  std::atomic<bool> go{false};
  std::atomic<int> sawOutcome{0};
  std::vector<std::thread> callers;
  for (int i = 0; i < 6; ++i) {
    callers.emplace_back([&] {
      while (!go.load()) std::this_thread::yield();
      init_java_connection();
      if (error == nullptr && vm != nullptr && jobjectClass != nullptr) ++sawOutcome;
    });
  }
  go = true;
  for (std::thread &caller : callers) caller.join();

  EXPECT_EQ(jvm_test::shim_calls(), 1);
  EXPECT_EQ(sawOutcome.load(), 6);
}

}  // namespace
