#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

// Closes the program's modal message boxes the way a user does, and remembers what each one showed.
//
// While it lives, a polling timer looks for an open message box (the program's or a QMessageBox); when one appears it records the box's
// caption, text, icon and button captions, the mouse cursor shown meanwhile and the notebook page behind it,
// runs the optional whileOpen action (a test can, say, fire the refresh timer during the box), then presses
// the key given in closeKey (Enter by default), so that the handler that waits on the box continues.
class ModalBoxCloser final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ModalBoxCloser)

public:
    struct SeenBox {
        QString caption;
        QString text;
        QString detail; // the words below the text (the box's informative text)
        int icon = 0;   // QMessageBox::Icon
        QStringList buttons;
        std::optional<Qt::CursorShape> overrideCursor; // the application cursor while the box was open
        bool centredOnScreen = false;
    };

    ModalBoxCloser();
    ~ModalBoxCloser() override;

    std::function<void()> whileOpen;
    int closeKey = Qt::Key_Return;

    const std::vector<SeenBox>& boxes() const { return boxes_; }
    QStringList texts() const;

private:
    void poll();

    QTimer timer_;
    std::vector<SeenBox> boxes_;
};
