#pragma once

#include <QGroupBox>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

class QButtonGroup;
class QContextMenuEvent;
class QIcon;
class QGridLayout;
class QLabel;
class QRadioButton;
class QScrollArea;

// A captioned group of radio buttons in one column, the window's lists of servers and screens.
//
// Selecting an entry from code behaves like the user's click: when the selection changes to an entry,
// clicked() is emitted before setItemIndex() returns. Selecting the entry already selected, clearing the
// selection, or a click on the checked entry emits nothing.
//
// The entries scroll inside the group when they do not fit, so that a server reporting hundreds of screens
// never makes the group, its page or the window taller; the entry that gets the focus or the selection is
// scrolled into view. An entry's text is shown as given ('&' is a character, not an accelerator), and each
// entry may carry data (what it stands for, say the bytes of a name) and a note shown beside it that is not
// part of its text.
class RadioGroup final : public QGroupBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RadioGroup)

public:
    explicit RadioGroup(const QString& caption, QWidget* parent);

    void addItem(const QString& text, const QVariant& data = {});
    void clearItems(); // also clears the selection, silently
    // Removes one entry; the later entries move up. Removing the selected entry clears the selection
    // silently.
    void removeItem(int index);
    // A mark beside an entry's text and its tool tip, which leave the text as it is.
    void setItemMark(int index, const QIcon& mark, const QString& toolTip);
    QString itemToolTip(int index) const;
    int count() const;
    QString itemText(int index) const;
    QVariant itemData(int index) const;
    QStringList items() const;
    // A dim text beside the entry (an empty note removes it), for telling apart entries of the same text.
    void setItemNote(int index, const QString& note);
    QString itemNote(int index) const;

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
    struct Entry {
        QString text;
        QVariant data;
        QLabel* note = nullptr;
    };

    QButtonGroup* buttons_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QGridLayout* rows_ = nullptr;
    // Puts the buttons and notes in the rows of their entries, after an entry has gone.
    void PlaceRows();

    QList<Entry> entries_;
    QPointer<QWidget> focusPredecessor_;
};
