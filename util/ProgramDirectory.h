#pragma once

#include <string>

// The directory of the program's executable file, ending with its separator.
std::string ProgramDirectory();

// The transfer's default source directory, ending with its separator: the program's directory when it holds
// the console module, otherwise the installed tree's share/tessaline beside the program's bin directory
// when that holds it (an installed program), otherwise the program's directory all the same.
std::string DefaultTransferDirectory();
// The same choice for a given program directory.
std::string TransferDirectoryFor(const std::string& programDirectory);

// Where the transfer's source directory is kept between runs: the profile "QVEXT", section "Paths", key
// "Transfer Path". The window reads and writes it; the command-line tool's copy reads it.
inline constexpr const char* TransferSettingsFile = "QVEXT";
inline constexpr const char* TransferPathsSection = "Paths";
inline constexpr const char* TransferPathKey = "Transfer Path";

// The saved transfer source directory, or DefaultTransferDirectory when none is saved.
std::string SavedTransferDirectory();

// Everything up to and including the last directory separator ('/', '\' or ':'); empty when none occurs.
std::string DirectoryPart(const std::string& path);
