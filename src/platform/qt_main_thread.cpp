#include "platform/qt_main_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include "platform/main_thread.h"

namespace fv {

void InstallQtMainThreadPoster() {
  QPointer<QCoreApplication> app = QCoreApplication::instance();
  SetMainThreadPoster([app](MainThreadTask task) {
    if (!app) return;  // the application is gone; nothing is left to update
    QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
  });
}

}  // namespace fv
