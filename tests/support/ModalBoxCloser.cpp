#include "tests/support/ModalBoxCloser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

ModalBoxCloser::ModalBoxCloser() {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &ModalBoxCloser::poll);
    timer_.start();
}

ModalBoxCloser::~ModalBoxCloser() = default;

QStringList ModalBoxCloser::texts() const {
    QStringList all;
    for (const SeenBox& box : boxes_)
        all << box.text;
    return all;
}

void ModalBoxCloser::poll() {
    // The program's boxes and the toolkit's both show their message, detail and icon as properties.
    auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible() || !box->property("text").isValid())
        return;
    timer_.stop(); // one box at a time; whileOpen may run nested event loops
    SeenBox seen;
    seen.caption = box->windowTitle();
    seen.text = box->property("text").toString();
    seen.detail = box->property("informativeText").toString();
    seen.icon = box->property("icon").toInt();
    for (QAbstractButton* button : box->findChildren<QAbstractButton*>())
        if (button->isVisible())
            seen.buttons << button->text();
    if (const QCursor* cursor = QGuiApplication::overrideCursor())
        seen.overrideCursor = cursor->shape();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QPoint offset = box->frameGeometry().center() - screen->availableGeometry().center();
        seen.centredOnScreen = offset.manhattanLength() <= 2;
    }
    boxes_.push_back(seen);
    if (whileOpen)
        whileOpen();
    QTest::keyClick(box, static_cast<Qt::Key>(closeKey));
    timer_.start();
}
