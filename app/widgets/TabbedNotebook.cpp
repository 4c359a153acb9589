#include "app/widgets/TabbedNotebook.h"

#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

TabbedNotebook::TabbedNotebook(QWidget* parent)
    : QWidget(parent), tabs_(new QTabBar(this)), pages_(new QStackedWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs_);
    layout->addWidget(pages_, 1);
    tabs_->setExpanding(false);
    tabs_->setDrawBase(true);
    // QTabBar reports a change only after it has made it. Every route ends here, so this is where the
    // change is put back, asked for, and committed only when allowed.
    connect(tabs_, &QTabBar::currentChanged, this, &TabbedNotebook::onTabBarChanged);
}

QWidget* TabbedNotebook::addPage(const QString& caption, const QString& objectName) {
    auto* pageWidget = new QWidget(pages_);
    pageWidget->setObjectName(objectName);
    pages_->addWidget(pageWidget);
    {
        const QSignalBlocker quiet(tabs_);
        tabs_->addTab(caption);
        tabs_->setCurrentIndex(currentPage_ < 0 ? 0 : currentPage_);
    }
    if (currentPage_ < 0)
        currentPage_ = 0;
    pages_->setCurrentIndex(currentPage_);
    return pageWidget;
}

void TabbedNotebook::setChangeHandler(ChangeHandler handler) {
    changeHandler_ = std::move(handler);
}

void TabbedNotebook::setPageIndex(int index) {
    if (index < 0 || index >= pages_->count() || index == currentPage_)
        return;
    tabs_->setCurrentIndex(index); // takes the same route as the user's changes
}

void TabbedNotebook::setPageIndexSilently(int index) {
    if (index < 0 || index >= pages_->count())
        return;
    const QSignalBlocker quiet(tabs_);
    tabs_->setCurrentIndex(index);
    pages_->setCurrentIndex(index);
    currentPage_ = index;
}

QWidget* TabbedNotebook::page(int index) const {
    return pages_->widget(index);
}

void TabbedNotebook::onTabBarChanged(int index) {
    if (index == currentPage_ || index < 0)
        return;
    {
        // The tab row shows the current page until the handler has allowed the change.
        const QSignalBlocker quiet(tabs_);
        tabs_->setCurrentIndex(currentPage_);
    }
    bool allowChange = true;
    if (changeHandler_)
        changeHandler_(index, allowChange);
    if (!allowChange)
        return;
    {
        const QSignalBlocker quiet(tabs_);
        tabs_->setCurrentIndex(index);
        pages_->setCurrentIndex(index);
        currentPage_ = index;
    }
    Q_EMIT pageEntered(index);
}
