#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

// What became of one remote address.
struct TRemoteLinkResult {
    QString Url;
    QString Problem; // empty when the address answered without a redirect
};

// Asks http and https addresses whether they answer: HEAD first, GET when HEAD fails (many
// servers refuse HEAD), Parallel at a time, each within TimeoutSeconds; redirects are followed
// (at most 10) and named in the result. Only the first bytes of a GET body are taken. Other
// schemes are refused without a connection. Cancel ends the work within a tenth of a second;
// the addresses not done by then are left out. Blocks: meant for a worker thread.
QList<TRemoteLinkResult> CheckRemoteLinks(const QStringList& urls, const std::atomic_bool& cancel,
                                          const std::function<void(int done)>& progress = {},
                                          int parallel = 8, int timeoutSeconds = 10);
