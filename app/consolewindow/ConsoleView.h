#pragma once

#include <QPlainTextEdit>

#include <cstdint>
#include <functional>

// The text of a console window: the scrollback's rows above the screen's 25, in code page 437 as the
// Server Screen page shows them (same font and zoom keys). Typing sends keys to the server, as the page's
// Input does; the wheel, Shift+Page Up and Shift+Page Down scroll back and forth. New rows bring the view
// down to the screen unless the user scrolled up.
class ConsoleView final : public QPlainTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConsoleView)

public:
    using KeySender = std::function<void(std::uint16_t keyWord)>;

    ConsoleView(KeySender sendKey, QWidget* parent);

    // Puts scrolledOut at the end of the scrollback and shows screen below it (replacing the screen shown).
    // Rows beyond maximumBlockCount leave from the top.
    void ShowScreen(const QStringList& scrolledOut, const QStringList& screen);
    bool AtBottom() const;
    // The rows from the top, scrollback first, then the screen.
    QStringList Lines() const;
    // The screen's rows as shown.
    QStringList ScreenLines() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    KeySender sendKey_;
    int screenRows_ = 0; // rows of the screen at the end of the text; 0 before the first screen
};
