#include "app/consolewindow/ConsoleWindowOpeners.h"

#include "app/MainForm.h"
#include "app/consolewindow/ConsoleWindows.h"
#include "app/widgets/RadioGroup.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QRadioButton>
#include <QShortcut>

namespace {

// Watches the screen list's buttons for a double click and the list for its context menu.
class ScreenListWatcher final : public QObject {
public:
    explicit ScreenListWatcher(TMainForm& form)
        : QObject(form.RadioGroupScreens), screens_(form.RadioGroupScreens), servers_(form.ServerList) {
        screens_->installEventFilter(this);
        for (QRadioButton* button : screens_->findChildren<QRadioButton*>())
            button->installEventFilter(this);
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
        if (watched == screens_ && event->type() == QEvent::ChildAdded) {
            // The new entry's button is not whole yet (its type is not known): it is watched all the same.
            static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
            return false;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            OpenFor(EntryOf(watched));
            return true;
        }
        if (event->type() == QEvent::ContextMenu) {
            const int entry = EntryOf(watched);
            QMenu menu;
            QAction* open = menu.addAction(QStringLiteral("Open console window"));
            open->setShortcut(QKeySequence::New);
            open->setEnabled(entry >= 0 || screens_->itemIndex() >= 0);
            if (menu.exec(static_cast<QContextMenuEvent*>(event)->globalPos()) == open)
                OpenFor(entry);
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
    QPointer<RadioGroup> servers_;
};

} // namespace

bool OpenConsoleWindow(const QString& server, const QString& screen) {
    ConsoleWindows* windows = ConsoleWindows::Instance();
    return windows != nullptr && windows->Open(server, screen) != nullptr;
}

void BindConsoleWindowOpeners(TMainForm& form) {
    auto* watcher = new ScreenListWatcher(form);
    // The page holds the list; Ctrl+N anywhere on it opens the selected screen.
    QWidget* page = form.PanelServerLeft->parentWidget();
    auto* shortcut = new QShortcut(QKeySequence::New, page);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, watcher, [watcher] { watcher->OpenFor(-1); });
}
