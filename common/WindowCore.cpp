#include "common/WindowCore.h"

#include <QDir>
#include <QFile>
#include <optional>
#include <unistd.h>

namespace {

// The processors this program may use but the first; nothing with a single one.
std::optional<cpu_set_t> OtherCores() {
    cpu_set_t cores;
    CPU_ZERO(&cores);
    if (sched_getaffinity(getpid(), sizeof cores, &cores) != 0 || CPU_COUNT(&cores) < 2)
        return std::nullopt;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &cores)) {
            CPU_CLR(cpu, &cores);
            break;
        }
    return cores;
}

QStringList Threads(qint64 pid) {
    return QDir(QStringLiteral("/proc/%1/task").arg(pid))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

bool IsEngine(qint64 pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("QtWebEngine");
}

// The web engine's processes among those started by the threads `tids` of Pid. Other programs
// this one starts are left as they are.
QList<qint64> EngineChildren(qint64 pid, const QStringList& tids) {
    QList<qint64> children;
    for (const QString& tid : tids) {
        QFile file(QStringLiteral("/proc/%1/task/%2/children").arg(pid).arg(tid));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& child : file.readAll().split(' '))
            if (const qint64 id = child.trimmed().toLongLong(); id > 0 && IsEngine(id))
                children.append(id);
    }
    return children;
}

} // namespace

void KeepEngineProcessesOffFirstCore() {
    const std::optional<cpu_set_t> cores = OtherCores();
    if (!cores)
        return;
    QList<qint64> pending = EngineChildren(getpid(), Threads(getpid()));
    while (!pending.isEmpty()) {
        const qint64 pid = pending.takeLast();
        const QStringList tids = Threads(pid);
        // Affinity is a thread's own; threads started later inherit it from their starter.
        for (const QString& tid : tids)
            sched_setaffinity(pid_t(tid.toLongLong()), sizeof *cores, &*cores);
        pending.append(EngineChildren(pid, tids));
    }
}

TOffFirstCore::TOffFirstCore() {
    const std::optional<cpu_set_t> cores = OtherCores();
    moved_ = cores && sched_getaffinity(0, sizeof saved_, &saved_) == 0 &&
             sched_setaffinity(0, sizeof *cores, &*cores) == 0;
}

TOffFirstCore::~TOffFirstCore() {
    if (moved_)
        sched_setaffinity(0, sizeof saved_, &saved_);
}
