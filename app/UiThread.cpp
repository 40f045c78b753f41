#include "app/UiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace tallyvox::app {

void RunOnUiThread(const std::function<void()>& work) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() == application->thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(application, work, Qt::BlockingQueuedConnection);
}

} // namespace tallyvox::app
