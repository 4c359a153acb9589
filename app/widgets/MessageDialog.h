#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QString>

class QLabel;
class QPushButton;
class QScrollArea;

// The program's modal message box: the icon of its kind, the message, below it an optional detail, and one
// "OK" button that Enter and Escape both press. It never grows past the screen it is shown on: a message
// too long for it (forty servers that failed at start, a long detail) scrolls inside the box while the
// heading and the button stay in view. Texts are shown as plain text, never read as markup.
//
// The message, the detail and the icon can be read as the properties "text", "informativeText" and "icon",
// as a QMessageBox's can, so that tests close either kind the same way.
class MessageDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MessageDialog)
    Q_PROPERTY(QString text READ text CONSTANT)
    Q_PROPERTY(QString informativeText READ informativeText CONSTANT)
    Q_PROPERTY(int icon READ iconValue CONSTANT)

public:
    MessageDialog(QMessageBox::Icon icon, const QString& caption, const QString& text, const QString& detail,
                  QWidget* parent = nullptr);

    QString text() const { return text_; }
    QString informativeText() const { return detail_; }
    int iconValue() const { return static_cast<int>(icon_); }
    QPushButton* okButton() const { return ok_; }
    // The scrolling place of the message.
    QScrollArea* textArea() const { return textArea_; }

    // Fits the box to the available part of screen: the message's place gets what the rest leaves, down to
    // a few lines.
    void fitToScreen(const QRect& available);

private:
    QMessageBox::Icon icon_ = QMessageBox::NoIcon;
    QString text_;
    QString detail_;
    QLabel* message_ = nullptr;
    QScrollArea* textArea_ = nullptr;
    QPushButton* ok_ = nullptr;
};
