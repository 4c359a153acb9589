#pragma once

#include "console/ConsoleLog.h"
#include "console/ConsoleSearch.h"
#include "console/ScrollDetection.h"
#include "console/Scrollback.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class ConsoleView;
class ConsoleWorker;
class QAction;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QThread;
class QToolBar;
class QWidget;

namespace NetClient {
class ServerSession;
}

// What a console window starts with (and what is kept of it to reopen it at the next start).
struct ConsoleWindowPlace {
    QString server;
    QString screen;
    int refreshMilliseconds = 1000;
    bool paused = false;
    QByteArray geometry; // QWidget::saveGeometry; empty: the toolkit's choice
};

// A top-level window that watches one console screen of one server live, titled "SERVER: Screen name":
// the screen below its scrollback, keys typed into it sent to the server, the page's ESC, CR, CLS and
// cursor buttons on a small toolbar, a choice of the server's screens, the refresh interval (0.25 s to 60 s)
// and a pause, search (Ctrl+F), copy, Save screen as…, Log to file…. Its network work runs on a worker of
// its own (ConsoleWorker, on its own thread, with its own connection); closing the window ends that
// connection without waiting for it. When the connection is lost the window says so in its state line,
// keeps what it shows, and the worker reconnects by itself.
class ConsoleWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConsoleWindow)

public:
    static constexpr int MinimumRefreshMilliseconds = 250;
    static constexpr int MaximumRefreshMilliseconds = 60000;
    // Paused or minimised, the screen is still read this often, so that the scrollback and the log miss
    // as little as a slow console writes.
    static constexpr int SlowRefreshMilliseconds = 10000;

    // Asked for the file of Save screen as… and Log to file… (a dialog; tests answer themselves). An empty
    // answer cancels.
    using FileChooser = std::function<QString(QWidget* parent, const QString& caption, const QString& name)>;

    ConsoleWindow(const ConsoleWindowPlace& place, std::unique_ptr<NetClient::ServerSession> session,
                  std::chrono::milliseconds reconnectPause, QWidget* parent = nullptr);
    ~ConsoleWindow() override;

    // The thread of the worker, handed over when the window goes; it ends by itself soon after.
    using ThreadHandOver = std::function<void(QThread* thread, ConsoleWorker* worker)>;
    void SetThreadHandOver(ThreadHandOver handOver) { handOver_ = std::move(handOver); }
    void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

    ConsoleWindowPlace Place() const;
    // The window's menu of its text's actions (find, copy, save, log, close).
    QMenu* ConsoleMenu() const;
    QString ServerName() const { return server_; }
    QString ScreenName() const { return screen_; }
    // The interval the worker reads at now (the setting, or the slow one when paused or minimised).
    int EffectiveRefreshMilliseconds() const;
    const Scrollback& History() const { return scrollback_; }
    const ConsoleSearch& Search() const { return search_; }
    QString StateText() const;
    // Screens read so far, and the round trips the window's connection made until the latest of them.
    std::uint64_t ReadCount() const { return readCount_; }
    std::uint64_t RoundTrips() const { return roundTrips_; }

    // The actions, also reachable from the toolbar and the keys.
    void SendKey(std::uint16_t keyWord);
    void ClearServerScreen();
    void SetRefreshMilliseconds(int milliseconds);
    void SetPaused(bool paused);
    void ChooseScreen(const QString& screenName);
    void FindText(const QString& text);
    void FindNext();
    void FindPrevious();
    void CopyScreen();
    bool SaveScreenAs(const QString& path, QString& error) const;
    bool StartLog(const QString& path, QString& error);
    void StopLog();

Q_SIGNALS:
    // The screen shown changed (a refresh that changed something), for whoever watches the window.
    void ScreenShown();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildControls(const ConsoleWindowPlace& place);
    void ScreenArrived(const QByteArray& bytes, const QString& screenName, quint64 roundTrips);
    void NamesArrived(const QStringList& names);
    void ConnectionChanged(bool connected, const QString& reason, int retryInSeconds);
    void UpdateTitle();
    void UpdateInterval();
    void Highlight();
    void ShowSearchBar(bool shown);
    void AskForSaveFile();
    void AskForLogFile();
    void ToWorker(std::function<void(ConsoleWorker&)> call);

    QString server_;
    QString screen_;
    int refreshMilliseconds_ = 1000;
    bool paused_ = false;
    ConsoleScroll::ScrollDetector detector_;
    Scrollback scrollback_;
    ConsoleSearch search_;
    ConsoleLog log_;
    QString state_;
    std::uint64_t readCount_ = 0;
    std::uint64_t roundTrips_ = 0;

    ConsoleView* view_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QMenuBar* menu_ = nullptr;
    QComboBox* screens_ = nullptr;
    QDoubleSpinBox* interval_ = nullptr;
    QAction* pause_ = nullptr;
    QAction* logAction_ = nullptr;
    QLabel* stateLine_ = nullptr;
    QWidget* searchBar_ = nullptr;
    QLineEdit* searchField_ = nullptr;
    QLabel* searchCount_ = nullptr;

    QThread* thread_ = nullptr;
    ConsoleWorker* worker_ = nullptr;
    ThreadHandOver handOver_;
    FileChooser chooseFile_;
};
