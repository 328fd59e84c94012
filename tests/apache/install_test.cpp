// "cmake --install" into a staging root lays out the module the way Debian's
// Apache expects it, and the files it installs make a configuration that
// Apache accepts.
#include <sys/stat.h>

#include <string>

#include <gtest/gtest.h>

#include "apache_server.h"

using namespace apache_test;

namespace {

bool is_file(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The commented examples with their comment marks taken off.
std::string uncommented(const std::string &conf) {
  std::string out;
  size_t start = 0;
  while (start < conf.size()) {
    size_t end = conf.find('\n', start);
    std::string line = conf.substr(start, end == std::string::npos ? std::string::npos : end - start + 1);
    size_t text = line.find_first_not_of(" ");
    bool example = text != std::string::npos && line.compare(text, 1, "#") == 0 && line.size() > text + 1 &&
                   line[text + 1] != ' ' && line[text + 1] != '\n';
    out += example ? line.substr(0, text) + line.substr(text + 1) : line;
    start = end == std::string::npos ? conf.size() : end + 1;
  }
  return out;
}

TEST(Install, PutsTheModuleWhereApacheAndA2enmodLookForIt) {
  if (std::string(MORVANE_MODS_AVAILABLE).empty()) GTEST_SKIP() << "not a Debian-style Apache layout";
  const std::string stage = make_private_dir("stage");
  CommandResult install = run_command({"/usr/bin/env", "DESTDIR=" + stage, MORVANE_CMAKE, "--install", MORVANE_BUILD_DIR});
  ASSERT_EQ(install.status, 0) << install.output;

  const std::string module = stage + MORVANE_APACHE_LIBEXECDIR "/mod_morvane.so";
  EXPECT_TRUE(is_file(module)) << install.output;
  const std::string available = stage + MORVANE_MODS_AVAILABLE;
  ASSERT_TRUE(is_file(available + "/morvane.load")) << install.output;
  ASSERT_TRUE(is_file(available + "/morvane.conf")) << install.output;
  const std::string load = read_file(available + "/morvane.load");
  EXPECT_EQ(load, "LoadModule morvane_module " MORVANE_APACHE_LIBEXECDIR "/mod_morvane.so\n");

  // What a2enmod links into mods-enabled, pointed at the staged module: the
  // module loads, and its examples, once uncommented, are valid configuration.
  ApacheServer server("installed");
  std::string loadStaged = "LoadModule morvane_module " + module + "\n";
  write_file(server.dir() + "/morvane.conf", uncommented(read_file(available + "/morvane.conf")));
  server.configure("");
  std::string conf = read_file(server.conf_path());
  size_t ours = conf.find("LoadModule morvane_module");
  conf.replace(ours, conf.find('\n', ours) + 1 - ours, loadStaged + "Include " + server.dir() + "/morvane.conf\n");
  write_file(server.conf_path(), conf);
  CommandResult check = server.check_config();
  EXPECT_EQ(check.status, 0) << check.output << conf;
  EXPECT_NE(read_file(server.dir() + "/morvane.conf").find("\n    JVM /usr/lib/jvm"), std::string::npos);
  run_command({"/bin/rm", "-rf", stage});
}

}  // namespace
