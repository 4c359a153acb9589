#include "app/connections/AttachJob.h"

#include <QThread>

AttachJob::AttachJob(NetClient::Attachment attachment, std::optional<NetClient::SecretText> password,
                     Ncp::PcapWriter* capture, Keep keep, QObject* parent)
    : QObject(parent), attachment_(std::move(attachment)), password_(std::move(password)), capture_(capture),
      keep_(keep) {}

AttachJob::~AttachJob() {
    if (thread_ != nullptr) {
        thread_->wait();
        delete thread_.data();
    }
}

bool AttachJob::isRunning() const {
    return thread_ != nullptr && thread_->isRunning();
}

void AttachJob::start() {
    if (isRunning())
        return;
    delete thread_.data();
    *result_ = Result{};
    // The thread sees only its own copies and the shared result, which nothing else touches until it ends.
    thread_ = QThread::create(
        [result = result_, attachment = attachment_, password = password_, capture = capture_, keep = keep_] {
            result->status = NetClient::AttachSession(attachment, password, capture, result->session);
            if (result->session != nullptr) {
                result->serverName = result->session->ServerName();
                result->loggedIn = result->session->IsLoggedIn();
            }
            if (keep == Keep::Nothing)
                result->session.reset(); // destroyed here: its goodbye goes from this thread too
        });
    connect(thread_, &QThread::finished, this, [this] {
        thread_->wait();
        Q_EMIT finished();
    });
    thread_->start();
}
