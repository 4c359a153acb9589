#include "app/consolewindow/ConsoleWorker.h"

#include "app/consolewindow/SessionConsoleChannel.h"
#include "netclient/ServerSession.h"
#include "netclient/StatusTexts.h"

#include <QThread>
#include <QTimer>

namespace {
// How long the goodbye of a closed window's connection may take.
constexpr std::chrono::milliseconds GoodbyeLimit{500};

QByteArray ScreenBytes(const ConsoleScroll::ScreenLines& screen) {
    QByteArray bytes;
    bytes.reserve(25 * 80);
    for (const std::string& row : screen)
        bytes.append(row.data(), static_cast<qsizetype>(row.size()));
    return bytes;
}
} // namespace

ConsoleWorker::ConsoleWorker(std::unique_ptr<NetClient::ServerSession> session, std::string screenName,
                             std::chrono::milliseconds reconnectPause)
    : session_(std::move(session)), channel_(std::make_unique<SessionConsoleChannel>(*session_)),
      reader_(std::make_unique<ConsoleReader>(*channel_)), screenName_(std::move(screenName)),
      reconnectPause_(reconnectPause) {
    // A stopped worker gives up the exchange under way at once: a hung server never holds its thread (and
    // the program's end) for the rest of the time limit.
    session_->SetWaitTick([stopping = stopping_] { return !stopping->load(); });
}

ConsoleWorker::~ConsoleWorker() = default;

std::uint64_t ConsoleWorker::RoundTrips() const {
    return session_ ? session_->RoundTrips() : 0;
}

void ConsoleWorker::Start(int intervalMilliseconds) {
    timer_ = new QTimer(this);
    timer_->setInterval(intervalMilliseconds);
    connect(timer_, &QTimer::timeout, this, &ConsoleWorker::Refresh);
    timer_->start();
    Refresh();
}

void ConsoleWorker::SetInterval(int intervalMilliseconds) {
    if (timer_ != nullptr && timer_->interval() != intervalMilliseconds)
        timer_->start(intervalMilliseconds);
}

void ConsoleWorker::SetScreen(const std::string& screenName) {
    screenName_ = screenName;
    Refresh();
}

void ConsoleWorker::SendKeys(const std::vector<std::uint16_t>& keyWords) {
    pendingKeys_.insert(pendingKeys_.end(), keyWords.begin(), keyWords.end());
    // Keys typed faster than the server answers go out together, followed by one read.
    if (!flushScheduled_) {
        flushScheduled_ = true;
        QTimer::singleShot(0, this, &ConsoleWorker::SendPendingKeys);
    }
}

void ConsoleWorker::ClearScreen() {
    pendingClear_ = true;
    SendKeys({});
}

void ConsoleWorker::SendPendingKeys() {
    flushScheduled_ = false;
    std::vector<std::uint16_t> keys;
    keys.swap(pendingKeys_);
    const bool clear = std::exchange(pendingClear_, false);
    if (!session_ || stopping_->load() || !EnsureConnected())
        return;
    // Keys and the clear go to the screen this connection selected last, which the latest read selected;
    // a connection made since selected none, so the screen is read (and selected) first.
    if (!reader_->HasSelected())
        Refresh();
    reader_->SendKeys(keys);
    if (clear)
        reader_->Clear();
    Refresh();
    if (timer_ != nullptr)
        timer_->start(); // the next refresh a whole interval after this one
}

void ConsoleWorker::Refresh() {
    if (!session_ || stopping_->load() || !EnsureConnected())
        return;
    if (!namesSent_) {
        std::vector<std::string> names;
        if (reader_->ScreenNames(names) == 0) {
            QStringList list;
            for (const std::string& name : names)
                list << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
            namesSent_ = true;
            // A window opened on a server without naming a screen watches the first one.
            if (screenName_.empty() && !names.empty())
                screenName_ = names.front();
            Q_EMIT ScreenNamesRead(list);
        }
    }
    ConsoleScroll::ScreenLines screen;
    const std::uint16_t status = reader_->Read(screenName_, screen);
    if (status == 0) {
        Q_EMIT ScreenRead(ScreenBytes(screen), QString::fromLatin1(screenName_.c_str()),
                          session_->RoundTrips());
        return;
    }
    if (!session_->IsUsable()) {
        connected_ = false;
        Q_EMIT ConnectionChanged(false, Reason(status), RetrySeconds());
    } else {
        Q_EMIT ReadFailed(Reason(status));
    }
}

bool ConsoleWorker::EnsureConnected() {
    if (session_->IsUsable())
        return true;
    const auto now = std::chrono::steady_clock::now();
    if (attempted_ && now - lastAttempt_ < reconnectPause_)
        return false;
    attempted_ = true;
    lastAttempt_ = now;
    const std::uint16_t status = session_->Reconnect();
    connected_ = status == 0;
    if (connected_) {
        namesSent_ = false;
        reader_->Forget();
        Q_EMIT ConnectionChanged(true, QString(), 0);
    } else {
        Q_EMIT ConnectionChanged(false, Reason(status), RetrySeconds());
    }
    return connected_;
}

void ConsoleWorker::Shutdown() {
    Stop();
    if (timer_ != nullptr)
        timer_->stop();
    reader_.reset();
    channel_.reset();
    // A connection still usable says goodbye, but a server that does not answer it is not waited for.
    if (session_ && session_->IsUsable())
        session_->Connection().SetTimeLimit(GoodbyeLimit);
    session_.reset();
    QThread::currentThread()->quit();
}

int ConsoleWorker::RetrySeconds() const {
    const auto left = reconnectPause_ - (std::chrono::steady_clock::now() - lastAttempt_);
    return static_cast<int>(std::max<std::int64_t>(0, std::chrono::ceil<std::chrono::seconds>(left).count()));
}

QString ConsoleWorker::Reason(std::uint16_t status) const {
    NetUtil::StatusContext context;
    context.server = session_ ? session_->AttachmentInfo().serverName : std::string();
    const std::string words = NetUtil::StatusText(status, context);
    return QStringLiteral("%1 (status %2)")
        .arg(QString::fromStdString(words.empty() ? std::string("The request failed.") : words),
             QString::number(status, 16).toUpper().rightJustified(4, QLatin1Char('0')));
}
