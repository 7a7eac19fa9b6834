// Each test file registers its Qt Test class under a name: VESMAR_GUI_TEST(name, Class).
#pragma once

#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace vesmar::test {

std::map<std::string, std::function<std::unique_ptr<QObject>()>>& TestClasses();

struct Registration {
  Registration(const char* name, std::function<std::unique_ptr<QObject>()> make) {
    TestClasses()[name] = std::move(make);
  }
};

}  // namespace vesmar::test

#define VESMAR_GUI_TEST(name, Class)                                        \
  static const ::vesmar::test::Registration registration_##Class(#name, [] { \
    return std::unique_ptr<QObject>(new Class);                              \
  });
