#include "app/Feedback.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>

#include <algorithm>

void ShowSuccessTip(QWidget* control, const QString& text) {
    // Below the control, where it hides nothing the user is about to use, and inside the window as far as
    // it fits: a long tip under a button near the right edge is moved left.
    constexpr int TipFrameWidth = 16; // the tip's margins and border around its text
    const int tipWidth = QFontMetrics(QToolTip::font()).horizontalAdvance(text) + TipFrameWidth;
    const QWidget* window = control->window();
    const int windowLeft = window->mapToGlobal(QPoint(0, 0)).x();
    const int windowRight = windowLeft + window->width();
    QPoint below = control->mapToGlobal(QPoint(0, control->height()));
    below.setX(std::max(windowLeft, std::min(below.x(), windowRight - tipWidth)));
    QToolTip::showText(below, text, control, QRect(), SuccessTipMilliseconds);
}

bool TextFitsField(const QLineEdit& field) {
    QStyleOptionFrame option;
    option.initFrom(&field);
    option.lineWidth =
        field.hasFrame() ? field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &field) : 0;
    const QRect textArea =
        field.style()->subElementRect(QStyle::SE_LineEditContents, &option, &field) - field.textMargins();
    // QLineEdit keeps two pixels free on either side of its text.
    constexpr int LineEditTextMargin = 2;
    return field.fontMetrics().horizontalAdvance(field.text()) <= textArea.width() - 2 * LineEditTextMargin;
}

void FullTextToolTips::watch(QLineEdit* field) {
    field->installEventFilter(this);
}

bool FullTextToolTips::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return false;
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field == nullptr)
        return false;
    if (TextFitsField(*field))
        QToolTip::hideText();
    else
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), field->text(), field);
    return true;
}
