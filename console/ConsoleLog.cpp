#include "console/ConsoleLog.h"

#include "console/CodePage437.h"
#include "console/Scrollback.h"

namespace {
const QString StampFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
}

QString RowText(const std::string& row) {
    const std::string trimmed = TrimmedRow(row);
    QString text;
    text.reserve(static_cast<qsizetype>(trimmed.size()));
    for (const char byte : trimmed)
        text += CodePage437::ToUnicode(static_cast<std::uint8_t>(byte));
    return text;
}

bool ConsoleLog::Open(const QString& path, const QString& title, QString& error) {
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        error = file_.errorString();
        return false;
    }
    healthy_ = true;
    WriteLine(QStringLiteral("Console log of %1, started %2").arg(title, Stamp()));
    file_.flush();
    return true;
}

void ConsoleLog::WriteRows(const std::vector<std::string>& rows) {
    if (!file_.isOpen() || rows.empty())
        return;
    WriteLine(QStringLiteral("[%1]").arg(Stamp()));
    for (const std::string& row : rows)
        WriteLine(RowText(row));
    // A log is read while it grows (tail -f), and must hold what came should the program end abruptly.
    file_.flush();
}

void ConsoleLog::Finish(const std::vector<std::string>& screen) {
    if (!file_.isOpen())
        return;
    WriteLine(QStringLiteral("[%1] screen at the end").arg(Stamp()));
    for (const std::string& row : screen)
        WriteLine(RowText(row));
    file_.close();
}

QString ConsoleLog::Stamp() const {
    return clock_().toString(StampFormat);
}

void ConsoleLog::WriteLine(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    if (file_.write(bytes) != bytes.size())
        healthy_ = false;
}
