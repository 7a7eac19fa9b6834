// Runs the window tests under the offscreen platform, each test class on its own when its name is
// given (ctest runs them one by one), in a private application-data and runtime folder.
//   gui_tests <class> [Qt Test options]
//   gui_tests --screenshots <folder>     pictures of the main windows for the documentation
#include <QApplication>
#include <QTest>

#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "toolkit/skin_style.h"

namespace vesmar::test {
std::map<std::string, std::function<std::unique_ptr<QObject>()>>& TestClasses();
int SaveScreenshots(const char* folder);
}  // namespace vesmar::test

namespace {

std::string MakeTempFolder(const char* pattern) {
  std::string path = (std::filesystem::temp_directory_path() / pattern).string();
  return mkdtemp(path.data()) ? path : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string data = MakeTempFolder("vesmar-gui-data-XXXXXX");
  const std::string runtime = MakeTempFolder("vesmar-gui-run-XXXXXX");
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  setenv("VESMAR_TEMP_BACKUP_ROOT", (data + "/VesmariOSRecovery").c_str(), 1);

  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  vesmar::ApplySkinStyle(app);

  int rc = 0;
  if (argc >= 3 && std::strcmp(argv[1], "--screenshots") == 0) {
    rc = vesmar::test::SaveScreenshots(argv[2]);
  } else {
    auto& classes = vesmar::test::TestClasses();
    const std::string only = argc >= 2 && argv[1][0] != '-' ? argv[1] : std::string();
    for (auto& [name, make] : classes) {
      if (!only.empty() && name != only) continue;
      auto object = make();
      // Qt Test sees the remaining options (for example -v2 or a test function name).
      const int skip = only.empty() ? 0 : 1;
      std::vector<char*> args{argv[0]};
      for (int i = 1 + skip; i < argc; ++i) args.push_back(argv[i]);
      rc |= QTest::qExec(object.get(), static_cast<int>(args.size()), args.data());
    }
    if (!only.empty() && !classes.count(only)) {
      std::fprintf(stderr, "no test class %s\n", only.c_str());
      rc = 1;
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(data, ec);
  std::filesystem::remove_all(runtime, ec);
  return rc;
}
