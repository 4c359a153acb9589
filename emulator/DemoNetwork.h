#pragma once

#include <memory>
#include <string>

namespace Emulator {

class Workstation;

// The network the program runs on by default: a version-5 server with directory services and the console
// module loaded, a version-4 server whose SYS:SYSTEM lacks QVEXT.NLM, and a bindery-only version-3 server
// with nobody logged in. Volumes are real directories under volumesRoot, created when missing.
std::unique_ptr<Workstation> MakeDemoWorkstation(const std::string& volumesRoot);

// Where the demo network keeps its volumes: under the user's data directory.
std::string DefaultVolumesRoot();

} // namespace Emulator
