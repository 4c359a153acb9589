#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QMenu;
class QWidget;
class RadioGroup;

// The server list's context menu, opened by a right click or the menu key on the list. Items are added in
// one place (ConnectionTools, and whatever else acts on a server), each with what it does for an entry and
// whether it applies to it; an item's shortcut works in the whole window and acts on the chosen entry.
//
//     menu.addItem(QStringLiteral("&Reconnect"), reconnect, isAttached, QKeySequence(Qt::Key_F5));
class ServerListMenu final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerListMenu)

public:
    using Run = std::function<void(int entry)>;     // entry -1: the menu was opened on no entry
    using Applies = std::function<bool(int entry)>; // empty: always

    // window holds the items' shortcuts; the menu opens on list.
    ServerListMenu(RadioGroup* list, QWidget* window);
    ~ServerListMenu() override;

    QAction* addItem(const QString& text, Run run, Applies applies = {}, const QKeySequence& shortcut = {});
    void addSeparator();

    // Shows the menu for an entry at a place on the screen and returns once it is closed.
    void popup(int entry, const QPoint& globalPosition);
    // The menu while it is open (tests close it as a user would); null otherwise.
    QMenu* openMenu() const { return openMenu_; }

Q_SIGNALS:
    void aboutToShow(QMenu* menu);

private:
    struct Item {
        QAction* action = nullptr; // null: a separator
        Applies applies;
    };

    RadioGroup* list_ = nullptr;
    QWidget* window_ = nullptr;
    std::vector<Item> items_;
    int menuEntry_ = -1; // the entry the open menu acts on
    bool menuOpen_ = false;
    std::function<void()> chosen_; // the item picked from the open menu, run once it has closed
    QMenu* openMenu_ = nullptr;    // the menu while it is open
};
