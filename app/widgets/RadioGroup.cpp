#include "app/widgets/RadioGroup.h"

#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// A button's text is read for accelerators; a doubled '&' shows one.
QString LiteralButtonText(const QString& text) {
    QString literal = text;
    return literal.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

RadioGroup::RadioGroup(const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)), scroll_(new QScrollArea(this)) {
    buttons_->setExclusive(true);
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(8, caption.isEmpty() ? 4 : 8, 8, 4);
    frame->addWidget(scroll_);

    // The entries sit on the group's own background; the scroll bars appear only when they do not fit.
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->viewport()->setAutoFillBackground(false);
    auto* list = new QWidget(scroll_);
    list->setAutoFillBackground(false);
    auto* column = new QVBoxLayout(list);
    column->setContentsMargins(0, 0, 0, 0);
    rows_ = new QGridLayout();
    rows_->setContentsMargins(0, 0, 0, 0);
    rows_->setVerticalSpacing(2);
    rows_->setHorizontalSpacing(6);
    column->addLayout(rows_);
    column->addStretch();
    scroll_->setWidget(list);

    // idToggled also fires for setChecked() from code, which idClicked does not: that makes a selection
    // from code run the click handler exactly as a user's click does.
    connect(buttons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (!checked)
            return;
        scroll_->ensureWidgetVisible(buttons_->button(id), 0, 0);
        Q_EMIT clicked();
    });
}

void RadioGroup::addItem(const QString& text, const QVariant& data) {
    auto* button = new QRadioButton(LiteralButtonText(text), scroll_->widget());
    const int id = count();
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
    // The arrow keys move the focus from button to button, and the list follows it; a right click or the
    // menu key on an entry asks for its menu.
    button->installEventFilter(this);
    entries_.append(Entry{text, data, nullptr});
    buttons_->addButton(button, id);
    rows_->addWidget(button, id, 0);
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
    delete entries_[index].note;
    entries_.removeAt(index);
    for (int later = index + 1; later < before; ++later)
        buttons_->setId(buttons_->button(later), later - 1);
    PlaceRows();
}

void RadioGroup::PlaceRows() {
    for (int index = 0; index < count(); ++index) {
        rows_->removeWidget(buttons_->button(index));
        rows_->addWidget(buttons_->button(index), index, 0);
        if (entries_[index].note != nullptr) {
            rows_->removeWidget(entries_[index].note);
            rows_->addWidget(entries_[index].note, index, 1);
        }
    }
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
    for (const Entry& entry : std::as_const(entries_))
        delete entry.note;
    entries_.clear();
    scroll_->verticalScrollBar()->setValue(0);
    scroll_->horizontalScrollBar()->setValue(0);
}

int RadioGroup::count() const {
    return static_cast<int>(entries_.size());
}

QString RadioGroup::itemText(int index) const {
    return index >= 0 && index < count() ? entries_[index].text : QString();
}

QVariant RadioGroup::itemData(int index) const {
    return index >= 0 && index < count() ? entries_[index].data : QVariant();
}

QStringList RadioGroup::items() const {
    QStringList texts;
    for (const Entry& entry : entries_)
        texts << entry.text;
    return texts;
}

void RadioGroup::setItemNote(int index, const QString& note) {
    if (index < 0 || index >= count())
        return;
    Entry& entry = entries_[index];
    if (note.isEmpty()) {
        delete entry.note;
        entry.note = nullptr;
        return;
    }
    if (entry.note == nullptr) {
        entry.note = new QLabel(scroll_->widget());
        entry.note->setTextFormat(Qt::PlainText);
        entry.note->setEnabled(false); // drawn dim: it describes the entry, it is not its name
        rows_->addWidget(entry.note, index, 1);
    }
    entry.note->setText(note);
}

QString RadioGroup::itemNote(int index) const {
    return index >= 0 && index < count() && entries_[index].note != nullptr ? entries_[index].note->text()
                                                                            : QString();
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

bool RadioGroup::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (event->type() == QEvent::FocusIn && button != nullptr)
        scroll_->ensureWidgetVisible(button, 0, 0);
    if (event->type() == QEvent::ContextMenu) {
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
