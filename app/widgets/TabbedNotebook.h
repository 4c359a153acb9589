#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QStackedWidget;
class QTabBar;

// A notebook whose every page change asks first. Whatever the route (a click on a tab, a tab's accelerator
// key, the arrow keys or the mouse wheel on the tab row, or setPageIndex() from code), the change handler
// is called with the new page's index and an allow flag that starts true; the page changes only when the
// flag is still true afterwards, otherwise the tab row shows the current page again. Asking for the page
// already shown calls nothing.
class TabbedNotebook final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TabbedNotebook)

public:
    using ChangeHandler = std::function<void(int newTab, bool& allowChange)>;

    explicit TabbedNotebook(QWidget* parent);

    // Adds a page whose caption may hold an '&' accelerator; returns the page widget to fill.
    QWidget* addPage(const QString& caption, const QString& objectName);

    void setChangeHandler(ChangeHandler handler);

    int pageIndex() const { return currentPage_; }
    void setPageIndex(int index); // asks the handler first

    // Shows a page without asking, for building the window before its handlers are live.
    void setPageIndexSilently(int index);

    QTabBar* tabBar() const { return tabs_; }
    QWidget* page(int index) const;

Q_SIGNALS:
    // A page was entered, by whatever route, once the handler allowed it.
    void pageEntered(int index);

private:
    void onTabBarChanged(int index);

    QTabBar* tabs_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    ChangeHandler changeHandler_;
    int currentPage_ = -1;
};
