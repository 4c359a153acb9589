#pragma once

#include <string>

// The directory of the program's executable file, ending with its separator: the default transfer source.
std::string ProgramDirectory();

// Everything up to and including the last directory separator ('/', '\' or ':'); empty when none occurs.
std::string DirectoryPart(const std::string& path);
