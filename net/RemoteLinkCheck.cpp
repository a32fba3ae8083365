#include "net/RemoteLinkCheck.h"

#include <curl/curl.h>
#include <map>
#include <memory>

namespace {

constexpr long MaxRedirects = 10;

struct TTransfer {
    int Index = 0;
    bool Get = false;
    char Error[CURL_ERROR_SIZE] = {};
};

// A GET is over once its first bytes came: the body itself is not wanted.
size_t StopAtBody(char*, size_t, size_t, void*) {
    return 0;
}

void Prepare(CURL* c, const QByteArray& url, TTransfer& transfer, int timeoutSeconds) {
    curl_easy_reset(c);
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, MaxRedirects);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, long(timeoutSeconds));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Velmaris Glyphon");
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, transfer.Error);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &StopAtBody);
    curl_easy_setopt(c, CURLOPT_PRIVATE, &transfer);
    if (transfer.Get)
        curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    else
        curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
}

// What the user is told of a finished transfer; empty when all went well.
QString Problem(CURL* c, CURLcode code, const TTransfer& transfer, int timeoutSeconds) {
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    // A GET stopped at its first bytes has its answer.
    const bool answered = code == CURLE_OK || (transfer.Get && code == CURLE_WRITE_ERROR);
    if (code == CURLE_OPERATION_TIMEDOUT)
        return QStringLiteral("No answer within %1 seconds").arg(timeoutSeconds);
    if (code == CURLE_TOO_MANY_REDIRECTS)
        return QStringLiteral("Redirected more than %1 times").arg(MaxRedirects);
    if (!answered)
        return QStringLiteral("Cannot reach: %1")
            .arg(QString::fromUtf8(transfer.Error[0] ? transfer.Error : curl_easy_strerror(code)));
    if (status >= 400)
        return QStringLiteral("HTTP %1").arg(status);
    long redirects = 0;
    curl_easy_getinfo(c, CURLINFO_REDIRECT_COUNT, &redirects);
    if (redirects > 0) {
        const char* final = nullptr;
        curl_easy_getinfo(c, CURLINFO_EFFECTIVE_URL, &final);
        return QStringLiteral("Redirected to %1").arg(QString::fromUtf8(final ? final : ""));
    }
    return {};
}

} // namespace

QList<TRemoteLinkResult> CheckRemoteLinks(const QStringList& urls, const std::atomic_bool& cancel,
                                          const std::function<void(int done)>& progress,
                                          int parallel, int timeoutSeconds) {
    QList<TRemoteLinkResult> results;
    std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(),
                                                                &curl_multi_cleanup);
    if (!multi)
        return results;
    std::vector<QByteArray> encoded;
    for (const QString& url : urls)
        encoded.push_back(url.toUtf8());
    std::map<CURL*, std::unique_ptr<TTransfer>> running;
    const auto start = [&](CURL* c, std::unique_ptr<TTransfer> transfer) {
        Prepare(c, encoded[size_t(transfer->Index)], *transfer, timeoutSeconds);
        curl_multi_add_handle(multi.get(), c);
        running[c] = std::move(transfer);
    };
    int next = 0;
    int done = 0;
    while (!cancel && (next < urls.size() || !running.empty())) {
        while (next < urls.size() && int(running.size()) < parallel) {
            CURL* c = curl_easy_init();
            if (!c)
                break;
            auto transfer = std::make_unique<TTransfer>();
            transfer->Index = next++;
            start(c, std::move(transfer));
        }
        int active = 0;
        curl_multi_perform(multi.get(), &active);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            CURL* c = message->easy_handle;
            const CURLcode code = message->data.result;
            curl_multi_remove_handle(multi.get(), c);
            std::unique_ptr<TTransfer> transfer = std::move(running[c]);
            running.erase(c);
            long status = 0;
            curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
            // A refused HEAD is asked again as a GET; a server that does not answer is not.
            const bool headFailed =
                (code != CURLE_OK || status >= 400) && code != CURLE_OPERATION_TIMEDOUT &&
                code != CURLE_TOO_MANY_REDIRECTS && code != CURLE_UNSUPPORTED_PROTOCOL;
            if (!transfer->Get && headFailed) {
                transfer->Get = true;
                transfer->Error[0] = '\0';
                start(c, std::move(transfer));
                continue;
            }
            results.append({urls[transfer->Index], Problem(c, code, *transfer, timeoutSeconds)});
            curl_easy_cleanup(c);
            if (progress)
                progress(++done);
        }
        if (!running.empty())
            curl_multi_poll(multi.get(), nullptr, 0, 100, nullptr);
    }
    for (auto& [c, transfer] : running) {
        curl_multi_remove_handle(multi.get(), c);
        curl_easy_cleanup(c);
    }
    return results;
}
