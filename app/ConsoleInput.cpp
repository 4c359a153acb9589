#include "app/ConsoleInput.h"

#include "app/ConsoleKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWheelEvent>

namespace {
const char* const FlashingProperty = "refusalFlashing";
const QColor RefusalColour(255, 176, 160);
} // namespace

ConsoleInput::ConsoleInput(QLineEdit* keyField, QPlainTextEdit* console, KeySender sendKey)
    : QObject(keyField), keyField_(keyField), console_(console), sendKey_(std::move(sendKey)) {
    keyField_->installEventFilter(this);
    console_->installEventFilter(this);
    // The wheel reaches the text's viewport, not the text field itself.
    console_->viewport()->installEventFilter(this);
}

bool ConsoleInput::eventFilter(QObject* watched, QEvent* event) {
    if (zoomed(event))
        return true;
    if (watched != keyField_ || event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const std::optional<std::uint16_t> keyWord = ConsoleKeyWord(key->key(), key->modifiers());
    if (!keyWord)
        return false;
    sendKey_(*keyWord);
    return true;
}

bool ConsoleInput::zoomed(QEvent* event) {
    std::optional<ZoomStep> step;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        step = ZoomStepForKey(key->key(), key->modifiers());
    } else if (event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        step = ZoomStepForWheel(wheel->angleDelta().y(), wheel->modifiers());
    }
    if (!step)
        return false;
    QFont font = console_->font();
    font.setPixelSize(ZoomedPixelSize(font.pixelSize(), *step));
    console_->setFont(font);
    return true;
}

void ShowRefused(QLineEdit* field) {
    QApplication::beep();
    if (field->property(FlashingProperty).toBool())
        return; // already flashing: its normal look is kept for the end of that flash
    field->setProperty(FlashingProperty, true);
    const QPalette normal = field->palette();
    QPalette flash = normal;
    flash.setColor(QPalette::Base, RefusalColour);
    field->setPalette(flash);
    QTimer::singleShot(RefusalFlashMilliseconds, field, [field, normal] {
        field->setPalette(normal);
        field->setProperty(FlashingProperty, false);
    });
}
