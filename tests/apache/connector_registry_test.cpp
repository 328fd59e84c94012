// Each virtual server gets its own Java connector, built from the parameters
// it can see, or its own error text; both are final for the process.
#include <sys/stat.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "morvane_site.h"

using namespace apache_test;

namespace {

std::string test_name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

// The ctor record's pairs as "name=value" lines, both sides as the probe wrote them.
std::vector<std::string> pairs_of(const Record &ctor) {
  std::vector<std::string> pairs;
  int count = std::stoi(ctor["pairs"]);
  for (int i = 0; i < count; ++i)
    pairs.push_back(ctor["name" + std::to_string(i)] + "=" + ctor["value" + std::to_string(i)]);
  return pairs;
}

std::string pair(const std::string &name, const std::string &value) { return quoted(name) + "=" + quoted(value); }

std::string routed(const std::string &path) {
  return "<Location " + path + ">\n  SetHandler morvane-handler\n</Location>\n";
}

TEST(ConnectorRegistry, ParametersReachTheConstructorInOrderAndAgainAfterGracefulRestart) {
  MorvaneSite site(test_name());
  int vhostPort = site.server.add_listener();
  site.start(site.globals() + "Parameter MainOnly=1\n" +  //
             "<VirtualHost 127.0.0.1:" + std::to_string(vhostPort) + ">\n" +
             "  Parameter First=1\n"
             "  <Location /app>\n    SetHandler morvane-handler\n    MorvaneConfigXML " + site.configXml + "\n  </Location>\n"
             "  <Directory /nowhere>\n    Parameter InDirectory = yes\n  </Directory>\n"
             "  KeepAliveTimeout 7\n"
             "  Parameter Second=two=2\n"
             "</VirtualHost>\n");
  const std::vector<std::string> expected{
      pair("First", "1"),      pair("MorvaneConfigXML", site.configXml),
      pair("InDirectory ", "yes"), pair("KeepAliveTimeout", "7"),
      pair("Second", "two=2"), pair("JVM", MORVANE_LIBJVM),
      pair("Classpath", site.classpath), pair("LogFile", site.logfile)};

  ASSERT_EQ(get(vhostPort, "/app").status, 200);
  auto ctors = site.records("ctor");
  ASSERT_EQ(ctors.size(), 1u);
  EXPECT_EQ(pairs_of(ctors[0]), expected);
  EXPECT_EQ(site.records("init").size(), 1u);

  site.server.graceful();
  // The next generation of children builds its own JVM and connector.
  for (int attempt = 0; attempt < 400 && site.records("ctor").size() < 2; ++attempt) {
    get(vhostPort, "/app");
    usleep(50 * 1000);
  }
  ctors = site.records("ctor");
  ASSERT_EQ(ctors.size(), 2u) << "no connector was created after the graceful restart";
  EXPECT_EQ(pairs_of(ctors[1]), expected) << "every configuration pass must start from an empty list";
}

TEST(ConnectorRegistry, EachVirtualServerSucceedsOrFailsOnItsOwn) {
  MorvaneSite site(test_name());
  int vhostPort = site.server.add_listener();
  site.start(site.standard_config("<VirtualHost 127.0.0.1:" + std::to_string(vhostPort) + ">\n" + routed("/app") +
                                  "</VirtualHost>\n"));
  for (int round = 0; round < 2; ++round) {
    HttpResponse vhost = get(vhostPort, "/app");
    EXPECT_EQ(vhost.status, 200);
    EXPECT_EQ(vhost.header("Content-Type"), "text/plain");
    EXPECT_EQ(vhost.body, "MorvaneConfigXML has not been specified in the configuration file");
    EXPECT_EQ(vhost.header("Cache-Control"), "no-cache");
    HttpResponse main = get(site.server.port(), "/app?x=1");
    EXPECT_EQ(parse_records(main.body).at(0).event, "process") << main.body;
  }
}

TEST(ConnectorRegistry, AnUnreadableConfigurationFileFailsTheServerForGood) {
  MorvaneSite site(test_name());
  if (geteuid() != 0) GTEST_SKIP() << "needs root, so that Apache's children run as another user";
  chmod(site.configXml.c_str(), 0600);  // Apache's children run as www-data
  site.start();
  const std::string expected = "Cannot read MorvaneConfigXML file \"" + site.configXml + "\"";
  EXPECT_EQ(get(site.server.port(), "/app").body, expected);
  chmod(site.configXml.c_str(), 0644);
  EXPECT_EQ(get(site.server.port(), "/app").body, expected) << "a failed server is never tried again";
  EXPECT_TRUE(site.records("ctor").empty());
}

TEST(ConnectorRegistry, AThrowingConstructorLeavesItsTrace) {
  MorvaneSite site(test_name(), "event", "ctor-throws");
  site.start();
  HttpResponse response = get(site.server.port(), "/app");
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.header("Content-Type"), "text/plain");
  const std::string head =
      "Internal error: Could not instantiate morvaneConnector.MorvaneHttpConnector\r\n"
      "java.lang.IllegalStateException: the constructor throws as asked";
  EXPECT_EQ(response.body.substr(0, head.size()), head) << response.body;
  EXPECT_NE(response.body.find("\tat morvaneConnector.MorvaneHttpConnector.<init>"), std::string::npos);
  EXPECT_EQ(get(site.server.port(), "/app").body, response.body);
}

TEST(ConnectorRegistry, AThrowingInitStillServes) {
  MorvaneSite site(test_name(), "event", "init-throws");
  site.start();
  for (int i = 0; i < 2; ++i) {
    HttpResponse response = get(site.server.port(), "/app?x=" + std::to_string(i));
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(parse_records(response.body).at(0)["body"], quoted("x=" + std::to_string(i)));
  }
  EXPECT_EQ(site.records("init").size(), 1u);
}

}  // namespace
