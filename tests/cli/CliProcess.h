#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

// Runs the built tessaline-cli as a user would, with a home of its own (no attachments file unless one is
// written there, the demo's volumes inside it), no session bus (no keyring) and a pipe for standard input
// (no terminal).
struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

class CliHome final {
public:
    CliHome() { QDir(home_.path()).mkpath(QStringLiteral(".config/Tessaline")); }

    QString Path(const QString& relative) const { return QDir(home_.path()).filePath(relative); }

    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"DBUS_SESSION_BUS_ADDRESS", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("HOME"), home_.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.path());
        return environment;
    }

    // Starts the tool; the caller reads and ends it.
    void Start(QProcess& process, const QStringList& arguments) const {
        process.setProcessEnvironment(Environment());
        process.start(QStringLiteral(TESSALINE_CLI), arguments);
        QVERIFY(process.waitForStarted(30000));
    }

    CliRun Run(const QStringList& arguments, const QByteArray& input = {}) const {
        QProcess process;
        Start(process, arguments);
        process.write(input);
        process.closeWriteChannel();
        CliRun run;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    void WriteFile(const QString& relative, const QByteArray& contents,
                   QFileDevice::Permissions permissions = QFileDevice::ReadOwner |
                                                          QFileDevice::WriteOwner) const {
        QFile file(Path(relative));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        file.close();
        QVERIFY(file.setPermissions(permissions));
    }

private:
    QTemporaryDir home_;
};
