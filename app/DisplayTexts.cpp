#include "app/DisplayTexts.h"

#include <QByteArray>

std::string ServerBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

QString ServerText(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString LiteralWindowTitle(const QString& title) {
    // The toolkit turns every "[*][*]" back into one literal "[*]".
    QString literal = title;
    return literal.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

QString CopiedText(const QString& fileName, const QString& destination, std::int64_t bytes) {
    return QStringLiteral("Copied %1 to %2, %3 %4")
        .arg(fileName, destination, QString::number(bytes),
             bytes == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"));
}

QString LoadedText(const QString& moduleName) {
    return QStringLiteral("Loaded %1").arg(moduleName);
}

QString UnloadedText(const QString& moduleName) {
    return QStringLiteral("Unloaded %1").arg(moduleName);
}
