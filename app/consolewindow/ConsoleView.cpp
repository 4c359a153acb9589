#include "app/consolewindow/ConsoleView.h"

#include "app/ConsoleKeys.h"
#include "console/CodePage437.h"
#include "console/ConsoleLookup.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QWheelEvent>

ConsoleView::ConsoleView(KeySender sendKey, QWidget* parent)
    : QPlainTextEdit(parent), sendKey_(std::move(sendKey)) {
    setReadOnly(true);
    // Selecting with the mouse and copying stay possible on the read-only text.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    setFocusPolicy(Qt::StrongFocus);
    // The console module does not tell where the server's cursor stands; a caret at the end of the text
    // would pretend to be it.
    setCursorWidth(0);
}

bool ConsoleView::AtBottom() const {
    return verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

void ConsoleView::ShowScreen(const QStringList& scrolledOut, const QStringList& screen) {
    QScrollBar* bar = verticalScrollBar();
    const bool follow = AtBottom();
    const int keptValue = bar->value();
    const int blocksBefore = document()->blockCount();

    QTextCursor cursor(document());
    if (screenRows_ > 0) {
        cursor.movePosition(QTextCursor::End);
        cursor.movePosition(QTextCursor::StartOfBlock);
        cursor.movePosition(QTextCursor::PreviousBlock, QTextCursor::MoveAnchor, screenRows_ - 1);
        // From the end of the row before the screen, so that no empty row is left behind.
        if (cursor.blockNumber() > 0)
            cursor.movePosition(QTextCursor::PreviousCharacter);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    } else {
        cursor.select(QTextCursor::Document);
    }
    const bool afterRows = screenRows_ > 0 && cursor.selectionStart() > 0;
    QString text = (scrolledOut + screen).join(QLatin1Char('\n'));
    if (afterRows)
        text.prepend(QLatin1Char('\n'));
    cursor.insertText(text);
    screenRows_ = static_cast<int>(screen.size());

    if (follow) {
        bar->setValue(bar->maximum());
        return;
    }
    // Rows that left the top took their lines with them: the rows being read stay in place.
    const int dropped = blocksBefore + static_cast<int>(scrolledOut.size()) - document()->blockCount();
    bar->setValue(std::max(0, keptValue - std::max(0, dropped)));
}

QStringList ConsoleView::Lines() const {
    QStringList lines;
    lines.reserve(document()->blockCount());
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}

QStringList ConsoleView::ScreenLines() const {
    const QStringList lines = Lines();
    return lines.mid(std::max<qsizetype>(0, lines.size() - screenRows_));
}

void ConsoleView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (const auto step = ZoomStepForKey(event->key(), event->modifiers())) {
        QFont zoomed = font();
        zoomed.setPixelSize(ZoomedPixelSize(zoomed.pixelSize(), *step));
        setFont(zoomed);
        return;
    }
    if (modifiers == Qt::ShiftModifier &&
        (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown)) {
        verticalScrollBar()->triggerAction(event->key() == Qt::Key_PageUp
                                               ? QAbstractSlider::SliderPageStepSub
                                               : QAbstractSlider::SliderPageStepAdd);
        return;
    }
    if (const auto keyWord = ConsoleKeyWord(event->key(), event->modifiers())) {
        sendKey_(*keyWord);
        return;
    }
    const QString typed = event->text();
    const bool character = !typed.isEmpty() && typed.at(0).isPrint() &&
                           (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
    if (!character) {
        QPlainTextEdit::keyPressEvent(event); // copying, selecting, moving about the text
        return;
    }
    for (const QChar c : typed) {
        // A character the server's code page lacks cannot be typed on its console.
        if (const auto byte = CodePage437::FromUnicode(c))
            sendKey_(MakeKeyWord(*byte, 0));
        else
            QApplication::beep();
    }
}

void ConsoleView::wheelEvent(QWheelEvent* event) {
    if (const auto step = ZoomStepForWheel(event->angleDelta().y(), event->modifiers())) {
        QFont zoomed = font();
        zoomed.setPixelSize(ZoomedPixelSize(zoomed.pixelSize(), *step));
        setFont(zoomed);
        return;
    }
    QPlainTextEdit::wheelEvent(event);
}
