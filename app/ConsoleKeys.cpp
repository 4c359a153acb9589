#include "app/ConsoleKeys.h"

#include "console/ConsoleLookup.h"

#include <algorithm>

namespace {
constexpr std::uint8_t CharacterCarriageReturn = 13;
constexpr std::uint8_t CharacterBackspace = 8;
constexpr std::uint8_t CharacterEscape = 27;

// Modifiers that leave a key what it is: the keypad's Enter is still Enter.
Qt::KeyboardModifiers WithoutKeypad(Qt::KeyboardModifiers modifiers) {
    return modifiers & ~Qt::KeypadModifier;
}
} // namespace

std::optional<std::uint16_t> ConsoleKeyWord(int key, Qt::KeyboardModifiers modifiers) {
    if (WithoutKeypad(modifiers) != Qt::NoModifier)
        return std::nullopt;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return MakeKeyWord(CharacterCarriageReturn, 0);
    case Qt::Key_Backspace:
        return MakeKeyWord(CharacterBackspace, 0);
    case Qt::Key_Escape:
        return MakeKeyWord(CharacterEscape, 0);
    case Qt::Key_Up:
        return MakeKeyWord(0, ScanCodeCursorUp);
    case Qt::Key_Down:
        return MakeKeyWord(0, ScanCodeCursorDown);
    default:
        return std::nullopt;
    }
}

int ZoomedPixelSize(int currentPixelSize, ZoomStep step) {
    switch (step) {
    case ZoomStep::In:
        return std::clamp(currentPixelSize + 1, ConsoleSmallestPixelSize, ConsoleLargestPixelSize);
    case ZoomStep::Out:
        return std::clamp(currentPixelSize - 1, ConsoleSmallestPixelSize, ConsoleLargestPixelSize);
    case ZoomStep::Reset:
        break;
    }
    return ConsoleDefaultPixelSize;
}

std::optional<ZoomStep> ZoomStepForKey(int key, Qt::KeyboardModifiers modifiers) {
    // Shift may be needed to reach '+'; it changes nothing here.
    if ((WithoutKeypad(modifiers) & ~Qt::ShiftModifier) != Qt::ControlModifier)
        return std::nullopt;
    switch (key) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return ZoomStep::In;
    case Qt::Key_Minus:
        return ZoomStep::Out;
    case Qt::Key_0:
        return ZoomStep::Reset;
    default:
        return std::nullopt;
    }
}

std::optional<ZoomStep> ZoomStepForWheel(int verticalAngleDelta, Qt::KeyboardModifiers modifiers) {
    if (modifiers != Qt::ControlModifier || verticalAngleDelta == 0)
        return std::nullopt;
    return verticalAngleDelta > 0 ? ZoomStep::In : ZoomStep::Out;
}
