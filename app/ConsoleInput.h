#pragma once

#include <QObject>

#include <cstdint>
#include <functional>

class QLineEdit;
class QPlainTextEdit;

// The Server Screen page's terminal-like keyboard and zoom. On the key field it turns the keys of
// ConsoleKeyWord into key words for the server (through sendKey, which sends and shows the screen as the
// buttons do); on the key field and the console text it zooms the console text with Ctrl + plus, minus
// or 0, and on the console text with Ctrl + mouse wheel.
class ConsoleInput final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConsoleInput)

public:
    using KeySender = std::function<void(std::uint16_t keyWord)>;

    ConsoleInput(QLineEdit* keyField, QPlainTextEdit* console, KeySender sendKey);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool zoomed(QEvent* event);

    QLineEdit* keyField_ = nullptr;
    QPlainTextEdit* console_ = nullptr;
    KeySender sendKey_;
};

// Shows that the field refused what was typed into it: a short beep and a brief flash of its background.
inline constexpr int RefusalFlashMilliseconds = 250;
void ShowRefused(QLineEdit* field);
