// The words below the error box: every status in the program's status list has them, and they name the
// server and the files they are about.

#include "netclient/StatusTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

namespace {

// The statuses a header of the program declares, read afresh from its source, so that a status added there
// without words here fails this test: the status list itself, and the completion bytes servers answer, which
// reach the user as 0x8900 | byte.
QMap<QString, quint32> DeclaredStatuses(const QString& header, const QString& type, quint32 base) {
    const QDir repository = QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../.."));
    QFile source(repository.filePath(header));
    if (!source.open(QIODevice::ReadOnly))
        return {};
    QMap<QString, quint32> statuses;
    const QRegularExpression declaration(
        QStringLiteral(R"(inline\s+constexpr\s+std::%1\s+(\w+)\s*=\s*(0x[0-9A-Fa-f]+)\s*;)").arg(type));
    for (const QRegularExpressionMatch& match :
         declaration.globalMatch(QString::fromUtf8(source.readAll()))) {
        const quint32 value = match.captured(2).toUInt(nullptr, 16);
        if (value != 0) // success shows no box
            statuses.insert(match.captured(1), base | value);
    }
    return statuses;
}

} // namespace

class StatusTextsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyStatusHasWords_data() {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("type");
        QTest::addColumn<quint32>("base");
        QTest::addColumn<int>("atLeast"); // catches a header that could not be read
        QTest::addRow("the status list") << "ncp/StatusCodes.h"
                                         << "uint(?:16|32)_t" << 0u << 30;
        QTest::addRow("server completion bytes") << "ncp/CompletionCodes.h"
                                                 << "uint8_t" << 0x8900u << 5;
    }

    void everyStatusHasWords() {
        QFETCH(QString, header);
        QFETCH(QString, type);
        QFETCH(quint32, base);
        QFETCH(int, atLeast);
        const QMap<QString, quint32> statuses = DeclaredStatuses(header, type, base);
        QVERIFY2(statuses.size() >= atLeast, qPrintable(header + QStringLiteral(" could not be read")));
        for (auto status = statuses.cbegin(); status != statuses.cend(); ++status)
            QVERIFY2(NetUtil::HasStatusText(status.value()),
                     qPrintable(status.key() + QStringLiteral(" has no words")));
    }

    void wordsNameWhatTheyAreAbout_data() {
        QTest::addColumn<quint32>("status");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("expected");
        QTest::addRow("module not in SYS:SYSTEM") << 0x8901u << "BOREAS"
                                                  << "The module file is not in SYS:SYSTEM on BOREAS";
        QTest::addRow("no console rights, no server known")
            << 0x89C6u << ""
            << "The server refused: no console operator rights";
        QTest::addRow("lost connection") << 0x8819u << "ATLAS"
                                         << "The connection to ATLAS was lost";
        QTest::addRow("bad password") << 0x89DEu << "ATLAS"
                                      << "ATLAS refused the password";
        QTest::addRow("invalid path") << 0x899Cu << "CASTOR"
                                      << "CASTOR knows no such path";
        QTest::addRow("no write rights") << 0x8994u << "BOREAS"
                                         << "BOREAS refused: no rights to write there";
        QTest::addRow("copy") << 0xFFFFu << "BOREAS"
                              << "/home/a/QVEXT.NLM could not be copied to \\\\BOREAS\\SYS\\SYSTEM";
        QTest::addRow("a directory status, all 32 bits") << 0xFFFFFC1Eu << "CASTOR"
                                                         << "CASTOR has no directory services";
        QTest::addRow("a completion code without words of its own")
            << 0x89E0u << "ATLAS"
            << "ATLAS refused the request (completion code 0xE0)";
        QTest::addRow("unknown status") << 0x1234u << "ATLAS"
                                        << "";
    }

    void wordsNameWhatTheyAreAbout() {
        QFETCH(quint32, status);
        QFETCH(QString, server);
        QFETCH(QString, expected);
        NetUtil::StatusContext context;
        context.server = server.toStdString();
        context.module = "QVEXT.NLM";
        context.sourceFile = "/home/a/QVEXT.NLM";
        context.destination =
            server.isEmpty() ? std::string() : "\\\\" + server.toStdString() + "\\SYS\\SYSTEM";
        QCOMPARE(QString::fromStdString(NetUtil::StatusText(status, context)), expected);
    }
};

QTEST_MAIN(StatusTextsTest)
#include "StatusTextsTest.moc"
