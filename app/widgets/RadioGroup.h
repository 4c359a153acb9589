#pragma once

#include <QGroupBox>
#include <QPointer>
#include <QString>
#include <QStringList>

class QButtonGroup;
class QContextMenuEvent;
class QIcon;
class QRadioButton;
class QVBoxLayout;

// A captioned group of radio buttons in one column, the window's lists of servers and screens.
//
// Selecting an entry from code behaves like the user's click: when the selection changes to an entry,
// clicked() is emitted before setItemIndex() returns. Selecting the entry already selected, clearing the
// selection, or a click on the checked entry emits nothing.
class RadioGroup final : public QGroupBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RadioGroup)

public:
    explicit RadioGroup(const QString& caption, QWidget* parent);

    void addItem(const QString& text);
    void clearItems(); // also clears the selection, silently
    // Removes one entry; the later entries move up. Removing the selected entry clears the selection
    // silently.
    void removeItem(int index);
    // A mark beside an entry's text and its tool tip, which leave the text as it is.
    void setItemMark(int index, const QIcon& mark, const QString& toolTip);
    QString itemToolTip(int index) const;
    int count() const;
    QString itemText(int index) const;
    QStringList items() const;

    int itemIndex() const;        // -1 when nothing is selected
    void setItemIndex(int index); // -1 clears the selection

    // The widget after which the group's buttons come in the focus order; without one, the group's own
    // place. (The group takes no focus itself, so the toolkit cannot order it; its buttons come later.)
    void setFocusPredecessor(QWidget* predecessor) { focusPredecessor_ = predecessor; }

Q_SIGNALS:
    void clicked();
    // The user asked for a context menu (right click or the menu key) on an entry, or on the group's empty
    // part (entry -1), at a place on the screen.
    void contextMenuRequested(int entry, const QPoint& globalPosition);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QButtonGroup* buttons_ = nullptr;
    QVBoxLayout* column_ = nullptr;
    QPointer<QWidget> focusPredecessor_;
};
