#include "app/MessageBoxes.h"
#include "app/widgets/MessageDialog.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

namespace MessageBoxes {

namespace {

QMessageBox::Icon IconOf(NetUtil::DialogType type) {
    switch (type) {
    case NetUtil::DialogType::Warning:
        return QMessageBox::Warning;
    case NetUtil::DialogType::Error:
        return QMessageBox::Critical;
    case NetUtil::DialogType::Information:
        return QMessageBox::Information;
    case NetUtil::DialogType::Confirmation:
        return QMessageBox::Question;
    case NetUtil::DialogType::Custom:
        break;
    }
    return QMessageBox::NoIcon;
}

QString CaptionOf(NetUtil::DialogType type) {
    switch (type) {
    case NetUtil::DialogType::Warning:
        return QStringLiteral("Warnung");
    case NetUtil::DialogType::Error:
        return QString::fromLatin1(ErrorCaption);
    case NetUtil::DialogType::Information:
        return QStringLiteral("Information");
    case NetUtil::DialogType::Confirmation:
        return QStringLiteral("Bestätigen");
    case NetUtil::DialogType::Custom:
        break;
    }
    return QApplication::applicationName();
}

void RunCentred(QMessageBox::Icon icon, const QString& caption, const QString& message,
                const QString& detail = QString()) {
    // Without a window manager nobody gives the keyboard back to the window that was active when the box
    // closes, so its accelerators would type letters into its focused field until it was clicked.
    const QPointer<QWidget> previouslyActive = QApplication::activeWindow();
    MessageDialog box(icon, caption, message, detail);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr)
        box.fitToScreen(screen->availableGeometry());
    // Shown first, so that the box has its final size when it is centred.
    box.show();
    if (screen != nullptr)
        box.move(box.pos() + screen->availableGeometry().center() - box.frameGeometry().center());
    box.exec();
    if (previouslyActive != nullptr && previouslyActive->isVisible())
        previouslyActive->activateWindow();
}

} // namespace

void ShowErrorDialog(const QString& message, const QString& detail) {
    RunCentred(QMessageBox::Critical, QString::fromLatin1(ErrorCaption), message, detail);
}

void ShowApplicationError(const QString& message) {
    RunCentred(QMessageBox::Critical, QApplication::applicationName(), message);
}

void ShowPlainDialog(const QString& message) {
    RunCentred(QMessageBox::NoIcon, QApplication::applicationName(), message);
}

} // namespace MessageBoxes

void QtMessageBoxPresenter::ShowMessageBox(NetUtil::DialogType type, const std::string& message) {
    // The override-cursor stack remembers whatever cursor was set before; popping it restores that one.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    MessageBoxes::RunCentred(MessageBoxes::IconOf(type), MessageBoxes::CaptionOf(type),
                             QString::fromLatin1(message));
    QGuiApplication::restoreOverrideCursor();
}

void QtMessageBoxPresenter::ShowErrorBox(const std::string& message, const std::string& detail) {
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    MessageBoxes::RunCentred(QMessageBox::Critical, QString::fromLatin1(MessageBoxes::ErrorCaption),
                             QString::fromLatin1(message), QString::fromStdString(detail));
    QGuiApplication::restoreOverrideCursor();
}

void QtMessageBoxPresenter::ShowPlainMessage(const std::string& message) {
    MessageBoxes::ShowPlainDialog(QString::fromLatin1(message));
}
