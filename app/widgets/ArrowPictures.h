#pragma once

#include <QIcon>
#include <QImage>

// The two arrow pictures of the cursor buttons, drawn by the program. Each picture is a strip of two
// 16 x 16 images: the red arrow for the enabled state and its grey-and-white outline for the disabled
// state, on an olive background that is drawn transparent.
namespace ArrowPictures {

enum class Direction { Up, Down };

inline constexpr int ImageSize = 16;

// The 32 x 16 strip, olive background included.
QImage Strip(Direction direction);

// The strip cut into the enabled and disabled icon states, olive made transparent.
QIcon Icon(Direction direction);

} // namespace ArrowPictures
