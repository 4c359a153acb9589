#include "util/DisplayTexts.h"

#include "console/CodePage437.h"

#include <QByteArray>

std::string ServerBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

QString ServerText(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString ShownName(const std::string& bytes) {
    constexpr char16_t Replacement = 0xFFFD;
    QString shown;
    shown.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            shown += CodePage437::ToUnicode(byte);
        else if (byte >= 0x80 && byte < 0xA0)
            shown += QChar(Replacement);
        else
            shown += QChar(static_cast<char16_t>(byte));
    }
    return shown;
}

QString ServerEntryText(const std::string& bytes) {
    return bytes.empty() ? QString::fromLatin1(EmptyServerName) : ShownName(bytes);
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
