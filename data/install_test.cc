// Installs the build tree into a scratch root the way a package build does (DESTDIR, prefix
// /usr) and checks the result: every file in its place, the desktop files agreeing with each
// other, and the installed launcher starting Corvane with its helpers first on PATH.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "data/test_launch.h"
#include "tests/e2e/harness.h"

namespace fs = std::filesystem;

namespace {

const std::string kId = APP_ID;
const std::string kSystemPath = "/usr/bin:/bin";

// Installs everything into root, as `DESTDIR=root cmake --install BUILD --prefix /usr` does.
// Only the default component: that install keeps its own manifest, so a test run never
// overwrites the install_manifest.txt of the user's own install, which `make uninstall` reads.
// Returns the path of that manifest, or "" after a test failure.
std::string install_into(const std::string &root) {
  std::error_code ignored;
  fs::remove_all(root, ignored);
  int status = -1;
  std::string out = run({"env", "DESTDIR=" + root, CMAKE_COMMAND, "--install", BUILD_DIR,
                         "--prefix", "/usr", "--component", "Unspecified"},
                        &status);
  if (status != 0) {
    ADD_FAILURE() << "cmake --install failed (" << status << "):\n" << out;
    return "";
  }
  return std::string(BUILD_DIR) + "/install_manifest_Unspecified.txt";
}

// Every file and link under root, as paths relative to it, sorted.
std::vector<std::string> files_under(const std::string &root) {
  std::vector<std::string> files;
  for (const auto &entry : fs::recursive_directory_iterator(root))
    if (!entry.is_directory()) files.push_back(fs::relative(entry.path(), root).string());
  std::sort(files.begin(), files.end());
  return files;
}

bool executable(const std::string &path) {
  struct stat s;
  return stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode) && (s.st_mode & 0111) == 0111;
}

// The value of `key=` in a desktop entry's text; "" when missing.
std::string entry_value(const std::string &text, const std::string &key) {
  size_t at = text.find("\n" + key + "=");
  if (at == std::string::npos) return "";
  at += key.size() + 2;
  return text.substr(at, text.find('\n', at) - at);
}

// The two strings of WM_CLASS (instance, then class), through xprop.
std::vector<std::string> wm_class(Window w) {
  std::string out = run({"xprop", "-id", std::to_string(w), "WM_CLASS"});
  std::vector<std::string> names;
  for (size_t at = out.find('"'); at != std::string::npos; at = out.find('"', at + 1)) {
    size_t end = out.find('"', at + 1);
    if (end == std::string::npos) break;
    names.push_back(out.substr(at + 1, end - at - 1));
    at = end;
  }
  return names;
}

class Installed : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { manifest = install_into(root); }
  void SetUp() override { ASSERT_FALSE(manifest.empty()); }
  // A path under the installed prefix, links resolved as the launcher resolves them.
  static std::string at(const std::string &path) {
    return fs::weakly_canonical(root + "/usr/" + path).string();
  }

  static inline const std::string root = SCRATCH_DIR "/root";
  static inline std::string manifest;
};

TEST_F(Installed, PutsEveryFileInItsPlaceAndNothingElse) {
  std::vector<std::string> expected = {
      "usr/bin/corvane",
      "usr/libexec/corvane/corvane",
      "usr/libexec/corvane/sox",
      "usr/libexec/corvane/vplay",
      "usr/share/applications/" + kId + ".desktop",
      "usr/share/icons/hicolor/48x48/apps/" + kId + ".png",
      "usr/share/icons/hicolor/scalable/apps/" + kId + ".svg",
      "usr/share/man/man1/corvane.1",
      "usr/share/metainfo/" + kId + ".metainfo.xml",
  };
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(files_under(root), expected);
  for (const char *program :
       {"bin/corvane", "libexec/corvane/corvane", "libexec/corvane/sox", "libexec/corvane/vplay"})
    EXPECT_TRUE(executable(at(program))) << program << " is not executable by everyone";
  EXPECT_FALSE(executable(at("share/applications/" + kId + ".desktop")));
}

TEST_F(Installed, DesktopFilesAgreeWithEachOther) {
  std::string desktop = read_file(at("share/applications/" + kId + ".desktop"));
  EXPECT_TRUE(executable(at("bin/" + entry_value(desktop, "Exec"))));
  EXPECT_EQ(entry_value(desktop, "Icon"), kId);

  std::string metainfo = read_file(at("share/metainfo/" + kId + ".metainfo.xml"));
  EXPECT_NE(metainfo.find("<launchable type=\"desktop-id\">" + kId + ".desktop</launchable>"),
            std::string::npos);
  EXPECT_NE(metainfo.find("<release version=\"" PROJECT_VERSION "\""), std::string::npos)
      << "the metainfo lists no release for version " PROJECT_VERSION;
  EXPECT_NE(read_file(at("share/man/man1/corvane.1")).find("\"Corvane " PROJECT_VERSION "\""),
            std::string::npos)
      << "the manual page does not name version " PROJECT_VERSION;

  // The PNG header's width and height, big-endian, right after the IHDR tag.
  std::string png = read_file(at("share/icons/hicolor/48x48/apps/" + kId + ".png"));
  ASSERT_GE(png.size(), 24u);
  auto word = [&](size_t i) {
    return (unsigned char)png[i] << 24 | (unsigned char)png[i + 1] << 16 |
           (unsigned char)png[i + 2] << 8 | (unsigned char)png[i + 3];
  };
  EXPECT_EQ(png.compare(12, 4, "IHDR"), 0);
  EXPECT_EQ(word(16), 48u);
  EXPECT_EQ(word(20), 48u);

  // AppStream's own check of the installed whole: metainfo, desktop entry and icon together.
  int status = -1;
  std::string out = run({"appstreamcli", "validate-tree", "--no-net", root}, &status);
  EXPECT_EQ(status, 0) << out;
}

TEST_F(Installed, LauncherStartsCorvaneWithItsHelpersFirstOnPath) {
  App app;
  ASSERT_TRUE(start_launcher(app, at("bin/corvane"), kSystemPath));
  EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(app.pid) + "/exe").string(),
            at("libexec/corvane/corvane"));
  EXPECT_EQ(environment_of(app.pid, "PATH"),
            at("libexec/corvane") + ":" + app.path("bin") + ":" + kSystemPath);

  // A desktop matches the window to its entry through StartupWMClass.
  std::string desktop = read_file(at("share/applications/" + kId + ".desktop"));
  std::vector<std::string> names = wm_class(app.main);
  std::string wanted = entry_value(desktop, "StartupWMClass");
  EXPECT_TRUE(std::find(names.begin(), names.end(), wanted) != names.end())
      << "StartupWMClass=" << wanted << " matches neither name of WM_CLASS "
      << testing::PrintToString(names);
}

TEST_F(Installed, LauncherReachedThroughALinkFindsItsHelpers) {
  App app;
  std::string link = SCRATCH_DIR "/corvane-link";
  std::error_code ignored;
  fs::remove(link, ignored);
  fs::create_symlink(at("bin/corvane"), link);
  ASSERT_TRUE(start_launcher(app, link, kSystemPath));
  EXPECT_EQ(environment_of(app.pid, "PATH"),
            at("libexec/corvane") + ":" + app.path("bin") + ":" + kSystemPath);
}

TEST_F(Installed, LauncherLeavesPathAloneWhenAskedTo) {
  App app;
  ASSERT_TRUE(start_launcher(app, at("bin/corvane"), kSystemPath, {"CORVANE_NO_ADAPTERS=1"}));
  EXPECT_EQ(environment_of(app.pid, "PATH"), app.path("bin") + ":" + kSystemPath);
}

TEST(Uninstall, RemovesEveryInstalledFileAndCorvanesOwnFolder) {
  std::string root = SCRATCH_DIR "/uninstall-root";
  std::string manifest = install_into(root);
  ASSERT_FALSE(manifest.empty());
  ASSERT_FALSE(files_under(root).empty());
  int status = -1;
  std::string out = run({"env", "DESTDIR=" + root, CMAKE_COMMAND, "-D", "MANIFEST=" + manifest,
                         "-P", UNINSTALL_SCRIPT},
                        &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(files_under(root), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(root + "/usr/libexec/corvane"));
  EXPECT_TRUE(fs::exists(root + "/usr/libexec"));  // shared folders stay
}

}  // namespace
