#include "app/RunningInstanceMutex.h"

#include "common/AppTitle.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <fcntl.h>
#include <sys/file.h>

void CreateRunningInstanceMutex() {
    static int descriptor = -1;
    if (descriptor >= 0)
        return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QByteArray path = QFile::encodeName(folder + '/' + ApplicationTitle() + ".lock");
    descriptor = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor >= 0)
        ::flock(descriptor, LOCK_SH | LOCK_NB);
}
