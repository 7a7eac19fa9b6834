#include "tests/ui/test_registry.h"

namespace vesmar::test {

std::map<std::string, std::function<std::unique_ptr<QObject>()>>& TestClasses() {
  static std::map<std::string, std::function<std::unique_ptr<QObject>()>> classes;
  return classes;
}

}  // namespace vesmar::test
