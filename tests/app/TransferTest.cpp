// The Transfer button: the named NLM lands in SYS:SYSTEM of the chosen server, reached through the
// directory the client reports for the server's volume.

#include "WindowFixture.h"

#include "app/widgets/RadioGroup.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QByteArray ModuleBytes("NetWare Loadable Module\x1A test image", 35);

struct TransferFixture : WindowFixture {
    QTemporaryDir source;
    QTemporaryDir volumes;

    // An empty server name: a workstation without connections.
    explicit TransferFixture(const std::string& serverName = "FS1") {
        if (!serverName.empty()) {
            RecordingClient::ScriptedServer server;
            server.name = serverName;
            server.majorVersion = 3;
            Connect(server);
        }
        client.volumeDirectories["FS1\\SYS"] = VolumeDirectory("SYS");
        QDir(volumes.path()).mkpath(QStringLiteral("SYS/SYSTEM"));
    }

    std::string VolumeDirectory(const QString& volume) const {
        return QDir(volumes.path()).filePath(volume).toStdString();
    }

    void WriteSource(const QString& name) const {
        QFile file(QDir(source.path()).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ModuleBytes);
    }

    QByteArray Landed(const QString& relativePath) const {
        QFile file(QDir(volumes.path()).filePath(relativePath));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void Transfer(const QString& sourcePath, const QString& moduleName) {
        form->EditNLMSourcePath->setText(sourcePath);
        form->EditNLMName->setText(moduleName);
        QTest::mouseClick(form->ButtonCopyToServer, Qt::LeftButton);
    }
};

} // namespace

class TransferTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theModuleLandsInTheServersSystemDirectory_data() {
        QTest::addColumn<QString>("sourceName");
        QTest::addColumn<QString>("sourcePathSuffix");
        QTest::addColumn<QString>("landsAs");
        QTest::addRow("QVEXT.NLM") << "QVEXT.NLM"
                                   << ""
                                   << "SYS/SYSTEM/QVEXT.NLM";
        QTest::addRow("path with its separator") << "QVEXT.NLM"
                                                 << "/"
                                                 << "SYS/SYSTEM/QVEXT.NLM";
        QTest::addRow("several dots") << "A.B.NLM"
                                      << ""
                                      << "SYS/SYSTEM/A.NLM";
    }

    void theModuleLandsInTheServersSystemDirectory() {
        QFETCH(QString, sourceName);
        QFETCH(QString, sourcePathSuffix);
        QFETCH(QString, landsAs);
        TransferFixture fixture;
        fixture.WriteSource(sourceName);
        fixture.Open();
        fixture.Transfer(fixture.source.path() + sourcePathSuffix, sourceName);

        QCOMPARE(fixture.Landed(landsAs), ModuleBytes);
        QCOMPARE(LastStatus, 0u);
        QVERIFY(fixture.boxes.boxes().empty());
        QVERIFY(fixture.client.CallsNamed("GetVolumeDirectory")
                    .at(0)
                    .starts_with("GetVolumeDirectory(server=FS1,volume=SYS,"));
        QCOMPARE(fixture.client.CallCount("NCPExtensionRequest"), 0);
    }

    // Of two servers of one name, the copy means the chosen one, and only while it runs.
    void theChosenOfTwoServersOfOneName() {
        TransferFixture fixture;
        fixture.Connect({.name = "FS1", .majorVersion = 3});
        fixture.WriteSource(QStringLiteral("QVEXT.NLM"));
        TMainForm& form = fixture.Open();
        form.ServerList->setItemIndex(1);
        fixture.Transfer(fixture.source.path(), QStringLiteral("QVEXT.NLM"));
        QCOMPARE(LastStatus, 0u);
        QCOMPARE(fixture.client.preferredForPaths, (std::vector<std::uint32_t>{2, 0}));
    }

    void failuresReportCopyFileAndCopyNothing_data() {
        QTest::addColumn<QString>("situation");
        QTest::addRow("empty source path") << "empty path";
        QTest::addRow("missing module") << "missing";
        QTest::addRow("no server selected") << "no server";
        QTest::addRow("server name that climbs out of the volume") << "climb";
    }

    void failuresReportCopyFileAndCopyNothing() {
        QFETCH(QString, situation);
        const std::string server = situation == QLatin1String("climb")       ? "FS1:SYS:..:.."
                                   : situation == QLatin1String("no server") ? ""
                                                                             : "FS1";
        TransferFixture fixture(server);
        fixture.WriteSource(QStringLiteral("QVEXT.NLM"));
        fixture.Open();
        const QString sourcePath =
            situation == QLatin1String("empty path") ? QString() : fixture.source.path();
        const QString module =
            situation == QLatin1String("missing") ? QStringLiteral("NOPE.NLM") : QStringLiteral("QVEXT.NLM");
        fixture.Transfer(sourcePath, module);

        QCOMPARE(fixture.boxes.texts(), QStringList{"Error FFFF: CopyFile"});
        QCOMPARE(LastStatus, 0xFFFFu);
        QCOMPARE(QDir(fixture.volumes.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
                 QStringList{"SYS"});
        QCOMPARE(QDir(fixture.volumes.path() + QStringLiteral("/SYS/SYSTEM")).entryList(QDir::Files),
                 QStringList{});
    }

    void aColonInTheServerNameSeparatesToo() {
        TransferFixture fixture("FS1:SYS"); // reaches \\FS1\SYS\SYS\SYSTEM\ on the volume SYS
        fixture.WriteSource(QStringLiteral("QVEXT.NLM"));
        QDir(fixture.volumes.path()).mkpath(QStringLiteral("SYS/SYS/SYSTEM"));
        TMainForm& form = fixture.Open();
        QCOMPARE(form.ConvertToDos(QStringLiteral("SYS:SYSTEM")),
                 QStringLiteral("\\\\FS1\\SYS\\SYS\\SYSTEM"));
        fixture.Transfer(fixture.source.path(), QStringLiteral("QVEXT.NLM"));
        QCOMPARE(fixture.Landed(QStringLiteral("SYS/SYS/SYSTEM/QVEXT.NLM")), ModuleBytes);
    }

    void theDefaultSourceIsTheProgramsDirectory() {
        TransferFixture fixture;
        TMainForm& form = fixture.Open();
        QCOMPARE(form.EditNLMSourcePath->text(), QCoreApplication::applicationDirPath() + QLatin1Char('/'));
        QCOMPARE(form.ConvertToDos(QStringLiteral("SYS:SYSTEM")), QStringLiteral("\\\\FS1\\SYS\\SYSTEM"));
    }
};

QTEST_MAIN(TransferTest)
#include "TransferTest.moc"
