#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Acts once on the first visible widget of that type and name as soon as it appears, as a user reacts to a
// menu or a dialog that opens; the polling timer ends with it.
template <typename Widget> void WhenShown(const QString& name, std::function<void(Widget*)> act) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, name, act] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* found = qobject_cast<Widget*>(widget);
            if (found == nullptr || !found->isVisible() || found->objectName() != name)
                continue;
            timer->stop();
            timer->deleteLater();
            act(found);
            return;
        }
    });
    timer->start();
}
