#include "morvane_site.h"

#include <sys/stat.h>

#include <sstream>

namespace apache_test {

std::string Record::operator[](const std::string &key) const {
  for (auto &[k, v] : fields)
    if (k == key) return v;
  return "";
}

std::vector<Record> parse_records(const std::string &text) {
  std::vector<Record> records;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    Record record;
    record.line = line;
    std::istringstream fields(line);
    std::getline(fields, record.event, '\t');
    for (std::string field; std::getline(fields, field, '\t');) {
      size_t equals = field.find('=');
      record.fields.emplace_back(field.substr(0, equals),
                                 equals == std::string::npos ? "" : field.substr(equals + 1));
    }
    records.push_back(record);
  }
  return records;
}

std::string quoted(const std::string &ascii) {
  std::string out = "\"";
  for (char c : ascii) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: {
        unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7f) {
          out += c;
        } else {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
          out += escaped;
        }
      }
    }
  }
  return out + "\"";
}

MorvaneSite::MorvaneSite(const std::string &label, const std::string &mpm, const std::string &connector)
    : server(label, mpm) {
  const std::string fixtures = MORVANE_JAVA_FIXTURES;
  const std::string classes = server.dir() + "/classes";
  mkdir(classes.c_str(), 0755);
  for (const std::string &name : {std::string("framework"), connector})
    copy_tree(fixtures + "/" + name, classes + "/" + name);
  classpath = classes + "/framework:" + classes + "/" + connector;

  // Apache's children run as another user, who must be able to write the log.
  const std::string var = server.dir() + "/var";
  mkdir(var.c_str(), 0777);
  chmod(var.c_str(), 0777);
  logfile = var + "/morvane.log";
  configXml = server.dir() + "/app.xml";
  write_file(configXml, "<morvane/>\n");
}

std::string MorvaneSite::globals() const {
  return "JVM " + std::string(MORVANE_LIBJVM) + "\nclasspath " + classpath + "\nLogFile " + logfile + "\n";
}

std::string MorvaneSite::standard_config(const std::string &extra) const {
  return globals() + "MorvaneConfigXML " + configXml +
         "\n<Location /app>\n  SetHandler morvane-handler\n</Location>\n" + extra;
}

void MorvaneSite::start(const std::string &config) {
  server.configure(config);
  server.start();
}

std::vector<Record> MorvaneSite::records() const { return parse_records(read_file(logfile)); }

std::vector<Record> MorvaneSite::records(const std::string &event) const {
  std::vector<Record> matching;
  for (auto &r : records())
    if (r.event == event) matching.push_back(r);
  return matching;
}

}  // namespace apache_test
