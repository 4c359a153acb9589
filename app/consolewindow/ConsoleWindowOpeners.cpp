#include "app/consolewindow/ConsoleWindowOpeners.h"

#include "app/MainForm.h"
#include "app/connections/ConnectionTools.h"
#include "app/connections/ServerListMenu.h"
#include "app/consolewindow/ConsoleWindows.h"
#include "app/widgets/RadioGroup.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QRadioButton>
#include <QScrollArea>

namespace {

// Watches the screen list's buttons for a double click and the list for its context menu.
class ScreenListWatcher final : public QObject {
public:
    explicit ScreenListWatcher(TMainForm& form)
        : QObject(form.RadioGroupScreens), screens_(form.RadioGroupScreens), servers_(form.ServerList) {
        screens_->installEventFilter(this);
        // The entries' buttons live in the list's scrolling area.
        if (auto* area = screens_->findChild<QScrollArea*>(); area != nullptr && area->widget() != nullptr) {
            buttonsParent_ = area->widget();
            buttonsParent_->installEventFilter(this);
        }
        for (QRadioButton* button : screens_->findChildren<QRadioButton*>())
            button->installEventFilter(this);
        connect(screens_, &RadioGroup::contextMenuRequested, this, &ScreenListWatcher::ShowMenu);
    }

    // The list's context menu, on an entry (or on the list, for the selected entry).
    void ShowMenu(int entry, const QPoint& at) {
        QMenu menu(screens_);
        menu.setObjectName(QStringLiteral("ScreenListMenu"));
        QAction* open = menu.addAction(QStringLiteral("Open console window"));
        open->setShortcut(QKeySequence::New);
        open->setEnabled(entry >= 0 || screens_->itemIndex() >= 0);
        if (menu.exec(at) == open)
            OpenFor(entry);
    }
    Q_DISABLE_COPY_MOVE(ScreenListWatcher)

    // The chosen server and the screen of that list entry (the selected one for -1).
    void OpenFor(int entry) {
        const int index = entry >= 0 ? entry : screens_->itemIndex();
        if (index < 0 || servers_.isNull() || servers_->itemIndex() < 0)
            return;
        OpenConsoleWindow(servers_->itemText(servers_->itemIndex()), screens_->itemText(index));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if ((watched == screens_ || watched == buttonsParent_) && event->type() == QEvent::ChildAdded) {
            // The new entry's button is not whole yet (its type is not known): it is watched all the same.
            static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
            return false;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            OpenFor(EntryOf(watched));
            return true;
        }
        return false;
    }

private:
    // The list entry of a button, -1 for the list itself.
    int EntryOf(QObject* watched) const {
        const auto* button = qobject_cast<QRadioButton*>(watched);
        if (button == nullptr)
            return -1;
        const QList<QRadioButton*> buttons = screens_->findChildren<QRadioButton*>();
        return static_cast<int>(buttons.indexOf(const_cast<QRadioButton*>(button)));
    }

    RadioGroup* screens_; // the watcher's parent
    QObject* buttonsParent_ = nullptr;
    QPointer<RadioGroup> servers_;
};

// Ctrl+N on the Server Screen page opens the selected screen; the window's own Ctrl+N (the server list's
// Attach a server…) stays for the other pages. The key is claimed before the window's shortcuts see it.
class PageNewKey final : public QObject {
public:
    PageNewKey(QWidget* page, ScreenListWatcher* watcher) : QObject(page), page_(page), watcher_(watcher) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    Q_DISABLE_COPY_MOVE(PageNewKey)

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!key->matches(QKeySequence::New) || widget == nullptr || !page_->isVisible() ||
            (widget != page_ && !page_->isAncestorOf(widget)))
            return false;
        event->accept();
        if (event->type() == QEvent::KeyPress)
            watcher_->OpenFor(-1);
        return true;
    }

private:
    QWidget* page_;
    ScreenListWatcher* watcher_;
};

} // namespace

bool OpenConsoleWindow(const QString& server, const QString& screen) {
    ConsoleWindows* windows = ConsoleWindows::Instance();
    return windows != nullptr && windows->Open(server, screen) != nullptr;
}

void BindConsoleWindowOpeners(TMainForm& form) {
    auto* watcher = new ScreenListWatcher(form);
    // The page that holds the screen list.
    new PageNewKey(form.PanelServerLeft->parentWidget(), watcher);
    if (ConnectionTools* connections = form.Connections()) {
        RadioGroup* servers = form.ServerList;
        // Any attached server's first screen; the window's choice of screens shows the others.
        connections->menu().addSeparator();
        connections->menu().addItem(
            QStringLiteral("Open &console window"),
            [servers](int entry) { OpenConsoleWindow(servers->itemText(entry), QString()); },
            [servers](int entry) {
                return entry >= 0 && entry < servers->count() && ConsoleWindows::Instance();
            });
    }
}
