// Linked into every user-interface test program. Each main window ties itself into the desktop
// when it starts; however a test program is started (by ctest or by hand), its desktop
// directories are its own in the build tree, never the real home's. A test that wants other
// directories sets them again in its own code.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

const bool kSandboxed = [] {
  const std::filesystem::path root = TOLLHAVEN_TEST_XDG;
  const struct {
    const char* variable;
    const char* directory;
  } directories[] = {{"XDG_DATA_HOME", "data"},
                     {"XDG_CONFIG_HOME", "config"},
                     {"XDG_DATA_DIRS", "system"},
                     {"XDG_RUNTIME_DIR", "runtime"}};
  for (const auto& entry : directories) {
    const std::filesystem::path path = root / entry.directory;
    std::error_code error;
    std::filesystem::create_directories(path, error);
    setenv(entry.variable, path.c_str(), 1);
  }
  // The session's runtime directory is private to its user.
  chmod((root / "runtime").c_str(), 0700);
  return true;
}();

}  // namespace
