#include "app/DesktopIntegration.h"

#include <QGuiApplication>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace Desktop {

namespace {

struct HeldMessage {
    QtMsgType type = QtDebugMsg;
    std::string category;
    QString text;
};

std::string expectingProgram;
std::vector<HeldMessage> heldMessages;
QtMessageHandler previousHandler = nullptr;

void PassOn(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (previousHandler != nullptr)
        previousHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

void HoldUntilDisplayOpened(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        heldMessages.push_back({type, context.category != nullptr ? context.category : "", text});
        return;
    }
    // The toolkit found no display it could use; its own words would be a page ending in an abort.
    const std::string line =
        NoDisplayMessage(expectingProgram, std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

} // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    return icon;
}

std::string NoDisplayMessage(const std::string& programName, const char* display,
                             const char* waylandDisplay) {
    if (!IsSet(display) && !IsSet(waylandDisplay))
        return programName +
               ": no display to open the window on (DISPLAY is not set); start it in a graphical session";
    const std::string named =
        IsSet(display) ? std::string("DISPLAY=") + display : std::string("WAYLAND_DISPLAY=") + waylandDisplay;
    return programName + ": cannot open the window: no display answers at " + named;
}

void ExpectDisplay(const char* programPath) {
    const std::string path = programPath != nullptr ? programPath : "tessaline";
    expectingProgram = path.substr(path.find_last_of('/') + 1);
    previousHandler = qInstallMessageHandler(HoldUntilDisplayOpened);
}

void DisplayOpened() {
    qInstallMessageHandler(previousHandler);
    for (const HeldMessage& held : heldMessages) {
        const QMessageLogContext context(nullptr, 0, nullptr, held.category.c_str());
        PassOn(held.type, context, held.text);
    }
    heldMessages.clear();
    QGuiApplication::setDesktopFileName(QString::fromLatin1(ApplicationId));
    QGuiApplication::setWindowIcon(ProgramIcon());
}

} // namespace Desktop
