#pragma once
// The one QApplication of the GUI tests.

#include <QApplication>

namespace fv::test {

inline QApplication& App() {
  if (auto* a = qobject_cast<QApplication*>(QCoreApplication::instance())) return *a;
  static int argc = 1;
  static char arg0[] = "ferrovan_gui_tests";
  static char* argv[] = {arg0, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace fv::test
