// The directive handlers and the Parameter-line parser, driven with real APR
// pools and cmd_parms the way Apache calls them while reading a configuration.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "parameters.h"

#include "apr_general.h"
#include "apr_pools.h"

namespace {

struct Entry {
  const server_rec *server;
  std::string name;
  std::string value;
  bool operator==(const Entry &o) const { return server == o.server && name == o.name && value == o.value; }
};

std::ostream &operator<<(std::ostream &out, const Entry &e) {
  return out << "{" << (e.server ? "server" : "global") << "@" << e.server << ", \"" << e.name << "\", \""
             << e.value << "\"}";
}

std::vector<Entry> list_entries() {
  std::vector<Entry> out;
  for (Param *p = params; p; p = p->next) out.push_back({p->server, p->name, p->value});
  return out;
}

using Handler = const char *(*)(cmd_parms *, void *, const char *);

// One configuration pass: a configuration pool, the main server and one virtual
// host, and the cmd_parms that Apache hands every directive handler.
class ConfigPass : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { apr_initialize(); }

  void SetUp() override {
    ASSERT_EQ(apr_pool_create(&pool, nullptr), APR_SUCCESS);
    begin_pass();
  }
  void TearDown() override { end_pass(); apr_pool_destroy(pool); }

  void begin_pass() {
    ASSERT_EQ(apr_pool_create(&pconf, pool), APR_SUCCESS);
    cmd = cmd_parms{};
    cmd.pool = pconf;
    cmd.temp_pool = pconf;
    cmd.server = &mainServer;
  }
  // Apache clears the configuration pool between passes.
  void end_pass() {
    if (pconf) apr_pool_destroy(pconf);
    pconf = nullptr;
  }

  const char *call(Handler handler, const char *args, server_rec *server) {
    cmd.server = server;
    return handler(&cmd, nullptr, args);
  }

  apr_pool_t *pool = nullptr;
  apr_pool_t *pconf = nullptr;
  cmd_parms cmd{};
  server_rec mainServer{};
  server_rec virtualHost{};
};

struct ParameterLineCase {
  const char *label;
  std::string args;
  std::vector<std::pair<std::string, std::string>> expected;  // name, value
};

class ParameterLine : public ConfigPass, public ::testing::WithParamInterface<ParameterLineCase> {};

TEST_P(ParameterLine, StoresWhatTheLineCarries) {
  const ParameterLineCase &c = GetParam();
  EXPECT_EQ(call(set_parameter, c.args.c_str(), &virtualHost), nullptr) << "a Parameter line is never refused";
  std::vector<Entry> expected;
  for (auto &[name, value] : c.expected) expected.push_back({&virtualHost, name, value});
  EXPECT_EQ(list_entries(), expected);
}

void PrintTo(const ParameterLineCase &c, std::ostream *os) { *os << c.label; }

const std::string longName(500, 'n');
const std::string longValue(100000, 'v');

INSTANTIATE_TEST_SUITE_P(
    Cases, ParameterLine,
    ::testing::Values(
        ParameterLineCase{"plain", "Name=value", {{"Name", "value"}}},
        ParameterLineCase{"two_equals", "a=b=c", {{"a", "b=c"}}},
        ParameterLineCase{"two_pairs_are_one", "a=1 b=2", {{"a", "1 b=2"}}},
        ParameterLineCase{"blanks_before_equals_stay", "name \t=value", {{"name \t", "value"}}},
        ParameterLineCase{"blanks_after_equals_skipped", "name= \t\n\v\f\rvalue x ", {{"name", "value x "}}},
        ParameterLineCase{"high_bytes_are_not_space", "name=\xa0value", {{"name", "\xa0value"}}},
        ParameterLineCase{"quotes_kept", "name=\"quoted\"", {{"name", "\"quoted\""}}},
        ParameterLineCase{"no_equals", "name value", {}},
        ParameterLineCase{"empty", "", {}},
        ParameterLineCase{"starts_with_equals", "=value", {}},
        ParameterLineCase{"only_space_after_equals", "name= \t ", {}},
        ParameterLineCase{"nothing_after_equals", "name=", {}},
        ParameterLineCase{"long_name_cut_to_399", longName + "=v", {{std::string(399, 'n'), "v"}}},
        ParameterLineCase{"long_value_whole", "n=" + longValue, {{"n", longValue}}}),
    [](const auto &info) { return std::string(info.param.label); });

TEST_F(ConfigPass, FixedDirectivesStoreTheirNamesAndOwners) {
  struct {
    Handler handler;
    const char *name;
    bool global;
  } const directives[] = {
      {set_jvm, "JVM", true},
      {set_classpath, "Classpath", true},
      {set_log_file, "LogFile", true},
      {set_config_file, "MorvaneConfigXML", false},
      {set_reloadable_classes, "ReloadableClasses", false},
      {set_display_servlet_message, "DisplayServletMessage", false},
      {set_refresh_url_map, "RefreshURLMap", false},
      {set_keep_alive_timeout, "KeepAliveTimeout", false},
  };
  std::vector<Entry> expected;
  for (auto &d : directives) {
    // Raw arguments arrive unchanged: quotes, inner blanks, "=" and all.
    EXPECT_EQ(call(d.handler, " \"a b\"=c", &virtualHost), nullptr) << d.name;
    expected.push_back({d.global ? nullptr : &virtualHost, d.name, " \"a b\"=c"});
  }
  EXPECT_EQ(list_entries(), expected);
}

TEST_F(ConfigPass, LastSettingOfEachGlobalWins) {
  call(set_jvm, "/first/libjvm.so", &mainServer);
  call(set_jvm, "/second/libjvm.so", &mainServer);
  call(set_classpath, "/classes", &mainServer);
  call(set_log_file, "/log", &mainServer);
  ASSERT_EQ(list_entries().size(), 4u);
  EXPECT_STREQ(jvm, "/second/libjvm.so");
  EXPECT_EQ(jvm, params->next->value) << "the global points at the entry's own value";
  EXPECT_STREQ(classpath, "/classes");
  EXPECT_STREQ(logfile, "/log");
}

TEST_F(ConfigPass, ParameterNamedLikeAGlobalSetsItButStaysWithItsHost) {
  call(set_classpath, "/main", &mainServer);
  call(set_parameter, "CLASSPATH=/vhost", &virtualHost);
  call(set_parameter, "jVm=/vhost/libjvm.so", &virtualHost);
  call(set_parameter, "LOGFILE= /vhost/log", &virtualHost);
  EXPECT_STREQ(classpath, "/vhost");
  EXPECT_STREQ(jvm, "/vhost/libjvm.so");
  EXPECT_STREQ(logfile, "/vhost/log");
  EXPECT_EQ(list_entries(), (std::vector<Entry>{{nullptr, "Classpath", "/main"},
                                                {&virtualHost, "CLASSPATH", "/vhost"},
                                                {&virtualHost, "jVm", "/vhost/libjvm.so"},
                                                {&virtualHost, "LOGFILE", "/vhost/log"}}));
}

TEST_F(ConfigPass, EmptyJvmIsAnEmptyValueNotUnset) {
  call(set_jvm, "", &mainServer);
  ASSERT_NE(jvm, nullptr);
  EXPECT_STREQ(jvm, "");
}

TEST_F(ConfigPass, ClearingTheConfigurationPoolEmptiesTheList) {
  call(set_jvm, "/libjvm.so", &mainServer);
  call(set_classpath, "/classes", &mainServer);
  call(set_log_file, "/log", &mainServer);
  call(set_config_file, "/app.xml", &virtualHost);
  ASSERT_EQ(list_entries().size(), 4u);

  for (int pass = 0; pass < 3; ++pass) {
    end_pass();
    EXPECT_EQ(params, nullptr);
    EXPECT_EQ(lastParam, nullptr);
    EXPECT_EQ(jvm, nullptr);
    EXPECT_EQ(classpath, nullptr);
    EXPECT_EQ(logfile, nullptr);

    begin_pass();
    call(set_jvm, "/libjvm.so", &mainServer);
    call(set_config_file, "/app.xml", &virtualHost);
    EXPECT_EQ(list_entries(),
              (std::vector<Entry>{{nullptr, "JVM", "/libjvm.so"}, {&virtualHost, "MorvaneConfigXML", "/app.xml"}}))
        << "pass " << pass;
    EXPECT_EQ(classpath, nullptr) << "a global from an earlier pass must not survive";
  }
}

}  // namespace
