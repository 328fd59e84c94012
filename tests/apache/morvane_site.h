// A real Apache serving mod_morvane with a real JVM and one of the Java test
// fixtures: the fixtures, the configuration XML file and the log file live in
// the server's private directory, where Apache's children can read and write
// them.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "apache_server.h"
#include "http_client.h"

namespace apache_test {

// One line of the probe's record file: the event, then its fields as written
// (strings quoted and escaped, or null).
struct Record {
  std::string event;
  std::vector<std::pair<std::string, std::string>> fields;
  std::string line;

  std::string operator[](const std::string &key) const;  // "" when absent
};
std::vector<Record> parse_records(const std::string &text);

// A field value as the probe writes a String: quoted, with \, " TAB CR LF
// escaped and everything outside printable ASCII as \uXXXX.
std::string quoted(const std::string &ascii);

class MorvaneSite {
 public:
  // `connector` names the fixture directory that provides
  // morvaneConnector.MorvaneHttpConnector (the probe or one of its variants).
  explicit MorvaneSite(const std::string &label, const std::string &mpm = "event",
                       const std::string &connector = "probe");

  // The three global directives (JVM, classpath, LogFile).
  std::string globals() const;
  // Globals, the main server's MorvaneConfigXML and <Location /app> routed to
  // the module, followed by `extra`.
  std::string standard_config(const std::string &extra = "") const;

  void start(const std::string &config);
  void start() { start(standard_config()); }

  std::vector<Record> records() const;
  std::vector<Record> records(const std::string &event) const;

  ApacheServer server;
  std::string classpath;
  std::string logfile;    // where the probe records what it receives
  std::string configXml;  // a readable MorvaneConfigXML file
};

}  // namespace apache_test
