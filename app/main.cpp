// The program entry: reads the command line, binds the emulated workstation as the client, builds the one
// main window and runs until it is closed.

#include "app/CommandLine.h"
#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "emulator/DemoNetwork.h"
#include "emulator/Workstation.h"
#include "netclient/ClientLibrary.h"

#include <QApplication>

#include <iostream>

int main(int argc, char** argv) {
    // Read before the toolkit starts, so that --help and --version need no display.
    const CommandLine::Options options = CommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc));
    switch (options.action) {
    case CommandLine::Action::ShowHelp:
        std::cout << CommandLine::HelpText(argv[0]);
        return 0;
    case CommandLine::Action::ShowVersion:
        std::cout << CommandLine::VersionText();
        return 0;
    case CommandLine::Action::Refuse:
        std::cerr << argv[0] << ": " << options.problem << "\n";
        return CommandLine::UsageExitCode;
    case CommandLine::Action::Run:
        break;
    }

    int qtArgumentCount = 1; // the program's options are its own; the toolkit sees none
    QApplication application(qtArgumentCount, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaline"));

    const std::unique_ptr<Emulator::Workstation> workstation =
        Emulator::MakeDemoWorkstation(Emulator::DefaultVolumesRoot());
    BindClient(workstation.get());
    QtMessageBoxPresenter boxes;
    NetUtil::BindMessageBoxPresenter(&boxes);

    int result = 0;
    {
        TMainForm MainForm;
        MainForm.show();
        result = QApplication::exec();
    }
    NetUtil::BindMessageBoxPresenter(nullptr);
    BindClient(nullptr);
    return result;
}
