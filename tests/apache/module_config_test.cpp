// The module's configuration side inside a real Apache: its record loads, its
// nine directives are accepted wherever a server configuration allows them and
// refused in .htaccess files, and the shared object exports only its record.
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "apache_server.h"
#include "http_client.h"

using namespace apache_test;

namespace {

struct Directive {
  const char *name;
  const char *help;
  const char *example;
};

// In the order of the module's command table.
const Directive directives[] = {
    {"JVM", "Path to JVM", "/usr/lib/jvm/libjvm.so"},
    {"classpath", "Classpath for JVM", "/opt/app/classes"},
    {"LogFile", "Logfile for error messages", "/tmp/app.log"},
    {"MorvaneConfigXML", "Morvane configuration XML file", "/opt/app/app.xml"},
    {"ReloadableClasses", "Morvane Reloadable classpath", "/opt/app/reload"},
    {"DisplayServletMessage", "Whether to display standard message or error 404", "true"},
    {"RefreshURLMap", "Whether to re-read the config XML file when it changes", "false"},
    {"KeepAliveTimeout", "Keep alive timeout in seconds", "15"},
    {"Parameter", "Parameter(s) to be passed to the Morvane framework", "Name = some value"},
};

// Apache 2.4 offers a directive to every module that declares it, so Apache's
// core sees each KeepAliveTimeout line too, and the core refuses it inside
// Directory, Location and Files sections. Such sections get the other eight.
std::string directive_lines(bool withKeepAlive) {
  std::string lines;
  for (auto &d : directives)
    if (withKeepAlive || std::string(d.name) != "KeepAliveTimeout")
      lines += std::string("  ") + d.name + " " + d.example + "\n";
  return lines;
}

struct Context {
  const char *label;
  const char *open;
  const char *close;
  bool server;  // a server context rather than a per-directory section
};

void PrintTo(const Context &c, std::ostream *os) { *os << c.label; }

class DirectiveContext : public ::testing::TestWithParam<Context> {};

TEST_P(DirectiveContext, AcceptsAllNineDirectives) {
  const Context &c = GetParam();
  ApacheServer server(std::string("ctx-") + c.label);
  std::string open = c.open, close = c.close;
  for (std::string *s : {&open, &close})
    for (size_t at; (at = s->find("@DIR@")) != std::string::npos;) s->replace(at, 5, server.dir() + "/htdocs");
  server.configure(open + "\n" + directive_lines(c.server) + close + "\n");
  CommandResult result = server.check_config();
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_NE(result.output.find("Syntax OK"), std::string::npos) << result.output;
}

INSTANTIATE_TEST_SUITE_P(
    Contexts, DirectiveContext,
    ::testing::Values(Context{"main", "", "", true},
                      Context{"virtual_host", "<VirtualHost 127.0.0.1:*>", "</VirtualHost>", true},
                      Context{"directory", "<Directory \"@DIR@\">", "</Directory>", false},
                      Context{"location", "<Location /app>", "</Location>", false},
                      Context{"files", "<Files app.xml>", "</Files>", false},
                      Context{"location_in_virtual_host", "<VirtualHost 127.0.0.1:*>\n<Location /app>",
                              "</Location>\n</VirtualHost>", false}),
    [](const auto &info) { return std::string(info.param.label); });

TEST(DirectiveNames, ClasspathInAnyCaseReachesTheModule) {
  for (const char *spelling : {"Classpath", "classpath", "CLASSPATH", "ClAsSpAtH"}) {
    ApacheServer server("classpath");
    server.configure(std::string(spelling) + " /opt/app/classes\n");
    CommandResult result = server.check_config();
    EXPECT_EQ(result.status, 0) << spelling << "\n" << result.output;
  }
}

TEST(DirectiveNames, ListingShowsEachDirectiveWithItsHelpInTableOrder) {
  ApacheServer server("listing");
  server.configure("");
  CommandResult result = server.list_directives();
  ASSERT_EQ(result.status, 0) << result.output;
  size_t previous = 0;
  for (auto &d : directives) {
    std::string entry = std::string(d.name) + " (mod_morvane.cpp)\n\t" + d.help + "\n";
    size_t at = result.output.find(entry);
    ASSERT_NE(at, std::string::npos) << "missing from apache2 -L: " << entry << "\n" << result.output;
    EXPECT_GT(at, previous) << d.name << " is out of order";
    previous = at;
  }
}

TEST(DirectiveNames, HtaccessMayNotUseThem) {
  ApacheServer server("htaccess");
  server.configure("<Directory \"" + server.dir() + "/htdocs\">\n  AllowOverride All\n</Directory>\n");
  write_file(server.dir() + "/htdocs/page.txt", "static page\n");
  write_file(server.dir() + "/htdocs/.htaccess", "JVM /usr/lib/jvm/libjvm.so\n");
  server.start();
  HttpResponse response = get(server.port(), "/page.txt");
  server.stop();
  EXPECT_EQ(response.status, 500);
  EXPECT_NE(server.error_log().find("JVM not allowed here"), std::string::npos) << server.error_log();
}

TEST(ModuleExports, OnlyTheModuleRecord) {
  CommandResult result = run_command({"/usr/bin/nm", "-D", "--defined-only", MORVANE_MODULE_PATH});
  ASSERT_EQ(result.status, 0) << result.output;
  std::istringstream lines(result.output);
  std::string line, exported;
  for (std::string address, type, name; lines >> address >> type >> name;) {
    EXPECT_NE(type, "u") << name << " is STB_GNU_UNIQUE, which keeps the module loaded across passes";
    exported += name + " ";
  }
  EXPECT_EQ(exported, "morvane_module ");
}

}  // namespace
