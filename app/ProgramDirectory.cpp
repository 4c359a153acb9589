#include "app/ProgramDirectory.h"

#include <QCoreApplication>

std::string DirectoryPart(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\:");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string ProgramDirectory() {
    return DirectoryPart(QCoreApplication::applicationFilePath().toStdString());
}
