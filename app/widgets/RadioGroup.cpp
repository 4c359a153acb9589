#include "app/widgets/RadioGroup.h"

#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QIcon>
#include <QRadioButton>
#include <QVBoxLayout>

RadioGroup::RadioGroup(const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)), column_(new QVBoxLayout(this)) {
    buttons_->setExclusive(true);
    column_->setContentsMargins(8, caption.isEmpty() ? 4 : 8, 8, 4);
    column_->setSpacing(2);
    column_->addStretch();
    // idToggled also fires for setChecked() from code, which idClicked does not: that makes a selection
    // from code run the click handler exactly as a user's click does.
    connect(buttons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            Q_EMIT clicked();
    });
}

void RadioGroup::addItem(const QString& text) {
    auto* button = new QRadioButton(text, this);
    const int id = static_cast<int>(buttons_->buttons().size());
    // The toolkit appends a new button to the end of the window's focus order; it belongs at the group's
    // place, after the group's other buttons. The group itself takes no focus, and the toolkit orders only
    // widgets that do, so without a predecessor it lends itself a focus policy for the move.
    if (id > 0) {
        QWidget::setTabOrder(buttons_->button(id - 1), button);
    } else if (focusPredecessor_ != nullptr) {
        QWidget::setTabOrder(focusPredecessor_, button);
    } else {
        const Qt::FocusPolicy own = focusPolicy();
        setFocusPolicy(Qt::TabFocus);
        QWidget::setTabOrder(this, button);
        setFocusPolicy(own);
    }
    buttons_->addButton(button, id);
    column_->insertWidget(id, button);
    button->installEventFilter(this);
}

void RadioGroup::removeItem(int index) {
    QAbstractButton* button = buttons_->button(index);
    if (button == nullptr)
        return;
    const int before = count();
    if (index == itemIndex())
        setItemIndex(-1);
    buttons_->removeButton(button);
    delete button;
    for (int later = index + 1; later < before; ++later)
        buttons_->setId(buttons_->button(later), later - 1);
}

void RadioGroup::setItemMark(int index, const QIcon& mark, const QString& toolTip) {
    QAbstractButton* button = buttons_->button(index);
    if (button == nullptr)
        return;
    button->setIcon(mark);
    button->setToolTip(toolTip);
}

QString RadioGroup::itemToolTip(int index) const {
    const QAbstractButton* button = buttons_->button(index);
    return button != nullptr ? button->toolTip() : QString();
}

bool RadioGroup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu) {
        auto* button = qobject_cast<QAbstractButton*>(watched);
        const int entry = button != nullptr ? buttons_->id(button) : -1;
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        // The menu key opens the menu beside the focused entry rather than where the mouse happens to be.
        const QPoint at = menuEvent->reason() == QContextMenuEvent::Keyboard && button != nullptr
                              ? button->mapToGlobal(QPoint(button->width() / 2, button->height() / 2))
                              : menuEvent->globalPos();
        Q_EMIT contextMenuRequested(entry, at);
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

void RadioGroup::contextMenuEvent(QContextMenuEvent* event) {
    Q_EMIT contextMenuRequested(-1, event->globalPos());
}

void RadioGroup::clearItems() {
    setItemIndex(-1);
    const auto all = buttons_->buttons();
    for (QAbstractButton* button : all) {
        buttons_->removeButton(button);
        delete button;
    }
}

int RadioGroup::count() const {
    return static_cast<int>(buttons_->buttons().size());
}

QString RadioGroup::itemText(int index) const {
    const QAbstractButton* button = buttons_->button(index);
    return button != nullptr ? button->text() : QString();
}

QStringList RadioGroup::items() const {
    QStringList texts;
    for (int index = 0; index < count(); ++index)
        texts << itemText(index);
    return texts;
}

int RadioGroup::itemIndex() const {
    return buttons_->checkedId();
}

void RadioGroup::setItemIndex(int index) {
    if (index == itemIndex())
        return;
    if (index < 0 || index >= count()) {
        QAbstractButton* checked = buttons_->checkedButton();
        if (checked == nullptr)
            return;
        // An exclusive group refuses to uncheck its last checked button.
        buttons_->setExclusive(false);
        checked->setChecked(false);
        buttons_->setExclusive(true);
        return;
    }
    buttons_->button(index)->setChecked(true);
}
