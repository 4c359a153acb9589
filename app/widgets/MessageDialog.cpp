#include "app/widgets/MessageDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace {

QStyle::StandardPixmap PixmapOf(QMessageBox::Icon icon) {
    switch (icon) {
    case QMessageBox::Warning:
        return QStyle::SP_MessageBoxWarning;
    case QMessageBox::Critical:
        return QStyle::SP_MessageBoxCritical;
    case QMessageBox::Question:
        return QStyle::SP_MessageBoxQuestion;
    case QMessageBox::Information:
    case QMessageBox::NoIcon:
        break;
    }
    return QStyle::SP_MessageBoxInformation;
}

QLabel* PlainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// Room the window manager's frame and title take around the box, which is not known before it is shown.
constexpr int FrameAllowance = 48;
constexpr int SmallestTextLines = 3;
constexpr int NarrowestText = 240;
constexpr int WidestText = 560;

} // namespace

MessageDialog::MessageDialog(QMessageBox::Icon icon, const QString& caption, const QString& text,
                             const QString& detail, QWidget* parent)
    : QDialog(parent), icon_(icon), text_(text), detail_(detail) {
    setWindowTitle(caption);
    setModal(true);
    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    if (icon != QMessageBox::NoIcon) {
        auto* picture = new QLabel(this);
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        picture->setPixmap(style()->standardIcon(PixmapOf(icon), nullptr, this).pixmap(size, size));
        grid->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);
    }
    message_ = PlainLabel(text, this);
    message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    textArea_ = new QScrollArea(this);
    textArea_->setFrameShape(QFrame::NoFrame);
    textArea_->setWidget(message_);
    textArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    textArea_->setFocusPolicy(Qt::NoFocus);
    textArea_->viewport()->setAutoFillBackground(false);
    message_->setAutoFillBackground(false);
    grid->addWidget(textArea_, 0, 1);
    if (!detail.isEmpty())
        grid->addWidget(PlainLabel(detail, this), 1, 1);
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    grid->addWidget(buttons, 2, 0, 1, 2);
}

void MessageDialog::fitToScreen(const QRect& available) {
    // As wide as the message's longest line needs, within bounds; then as tall as its wrapped lines need,
    // but no taller than the screen leaves once the rest of the box has its place.
    const QFontMetrics metrics = message_->fontMetrics();
    int longest = 0;
    for (const QString& line : text_.split(QLatin1Char('\n')))
        longest = std::max(longest, metrics.horizontalAdvance(line) + metrics.averageCharWidth());
    const int scrollBar = textArea_->verticalScrollBar()->sizeHint().width();
    const int width = std::clamp(longest, NarrowestText,
                                 std::max(NarrowestText, std::min(WidestText, available.width() / 2)));
    message_->setFixedWidth(width);
    const int wanted = message_->heightForWidth(width);
    message_->setFixedHeight(wanted);

    textArea_->setFixedSize(width, wanted);
    const int rest = layout()->totalSizeHint().height() - wanted;
    const int room =
        std::max(SmallestTextLines * metrics.lineSpacing(), available.height() - FrameAllowance - rest);
    if (wanted <= room)
        return;
    textArea_->setFixedSize(width + scrollBar, room);
}
