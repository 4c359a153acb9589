#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

#include <functional>
#include <string>
#include <vector>

// A console window's log file: every row that enters the window's scrollback, the rows a clear took away
// before they could scroll, and the screen as it was when the log ends, as UTF-8 text (the screen's code
// page 437 turned into Unicode, trailing blanks dropped). Each refresh that writes rows writes its time
// first, on a line of its own:
//
//     Console log of ATLAS: System Console, started 2026-12-09 14:40:00
//     [2026-12-09 14:40:01]
//     ATLAS:modules
//     ...
//     [2026-12-09 14:52:13] screen at the end
//     ...
class ConsoleLog final {
public:
    using Clock = std::function<QDateTime()>;

    explicit ConsoleLog(Clock clock = &QDateTime::currentDateTime) : clock_(std::move(clock)) {}
    ~ConsoleLog() = default;
    ConsoleLog(const ConsoleLog&) = delete;
    ConsoleLog& operator=(const ConsoleLog&) = delete;

    // Creates or replaces the file and writes the heading; false, with the system's reason in error, when it
    // cannot be written.
    bool Open(const QString& path, const QString& title, QString& error);
    bool IsOpen() const { return file_.isOpen(); }
    QString Path() const { return file_.fileName(); }

    // Rows of one refresh, screen bytes; nothing is written for no rows.
    void WriteRows(const std::vector<std::string>& rows);
    // The last screen, then the file is closed.
    void Finish(const std::vector<std::string>& screen);
    // Whether every write so far reached the file.
    bool Healthy() const { return healthy_; }

private:
    QString Stamp() const;
    void WriteLine(const QString& line);

    Clock clock_;
    QFile file_;
    bool healthy_ = true;
};

// A screen row as the text a user sees: code page 437 turned into Unicode, trailing blanks dropped.
QString RowText(const std::string& row);
