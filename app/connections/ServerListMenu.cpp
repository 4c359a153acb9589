#include "app/connections/ServerListMenu.h"

#include "app/widgets/RadioGroup.h"

#include <QAction>
#include <QMenu>

#include <utility>

ServerListMenu::ServerListMenu(RadioGroup* list, QWidget* window)
    : QObject(list), list_(list), window_(window) {
    connect(list_, &RadioGroup::contextMenuRequested, this,
            [this](int entry, const QPoint& at) { popup(entry, at); });
}

ServerListMenu::~ServerListMenu() = default;

QAction* ServerListMenu::addItem(const QString& text, Run run, Applies applies,
                                 const QKeySequence& shortcut) {
    auto* action = new QAction(text, this);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        // Held by the window, so that the key works on every page, menu open or not.
        window_->addAction(action);
    }
    connect(action, &QAction::triggered, this, [this, run = std::move(run), applies] {
        // From the menu: the entry it was opened on, once the menu has gone (an item may open a dialog);
        // from a key: the chosen entry, at once.
        if (menuOpen_) {
            chosen_ = [run, entry = menuEntry_] { run(entry); };
            return;
        }
        const int entry = list_->itemIndex();
        if (!applies || applies(entry))
            run(entry);
    });
    items_.push_back(Item{action, std::move(applies)});
    return action;
}

void ServerListMenu::addSeparator() {
    items_.push_back(Item{});
}

void ServerListMenu::popup(int entry, const QPoint& globalPosition) {
    QMenu menu(list_);
    menu.setObjectName(QStringLiteral("ServerListMenu"));
    for (const Item& item : items_) {
        if (item.action == nullptr) {
            menu.addSeparator();
            continue;
        }
        item.action->setEnabled(!item.applies || item.applies(entry));
        menu.addAction(item.action);
    }
    menuEntry_ = entry;
    menuOpen_ = true;
    openMenu_ = &menu;
    Q_EMIT aboutToShow(&menu);
    menu.exec(globalPosition);
    openMenu_ = nullptr;
    menuOpen_ = false;
    menuEntry_ = -1;
    // An action disabled for this entry must still work by its key for the next chosen entry.
    for (const Item& item : items_)
        if (item.action != nullptr)
            item.action->setEnabled(true);
    if (const std::function<void()> run = std::exchange(chosen_, nullptr))
        run();
}
