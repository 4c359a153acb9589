#include "util/ProgramDirectory.h"

#include "util/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
const QString ConsoleModule = QStringLiteral("QVEXT.NLM");
const QString InstalledData = QStringLiteral("../share/tessaline");
} // namespace

std::string DirectoryPart(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\:");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string ProgramDirectory() {
    return DirectoryPart(QCoreApplication::applicationFilePath().toStdString());
}

std::string TransferDirectoryFor(const std::string& programDirectory) {
    const QString directory = QString::fromStdString(programDirectory);
    if (QFileInfo::exists(QDir(directory).filePath(ConsoleModule)))
        return programDirectory;
    const QString installed = QDir::cleanPath(QDir(directory).filePath(InstalledData));
    if (QFileInfo::exists(QDir(installed).filePath(ConsoleModule)))
        return installed.toStdString() + "/";
    return programDirectory;
}

std::string DefaultTransferDirectory() {
    return TransferDirectoryFor(ProgramDirectory());
}

std::string SavedTransferDirectory() {
    return NetUtil::ReadSetting(TransferSettingsFile, TransferPathsSection, TransferPathKey,
                                DefaultTransferDirectory());
}
