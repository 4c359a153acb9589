// The program entry: reads the command line, attaches the NCP client to the servers (or to the demo network
// served inside the process), binds it, builds the one main window and runs until it is closed.

#include "app/CommandLine.h"
#include "app/DesktopIntegration.h"
#include "app/LoginDialog.h"
#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "app/connections/ConnectionTools.h"
#include "app/consolewindow/ConsoleWindows.h"
#include "app/startup/StartupWindow.h"
#include "emulator/DemoNetwork.h"
#include "netclient/ClientLibrary.h"
#include "network/KeychainPasswordStore.h"
#include "network/NetworkStartup.h"
#include "util/PlatformFileSystem.h"

#include <QApplication>
#include <QTimer>

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
    // Without a display: one line on stderr and exit status 1, not the toolkit's abort.
    Desktop::ExpectDisplay(argv[0]);
    QApplication application(qtArgumentCount, argv);
    Desktop::DisplayOpened();
    QApplication::setApplicationName(QStringLiteral("Tessaline"));

    QtMessageBoxPresenter boxes;
    NetUtil::BindMessageBoxPresenter(&boxes);

    KeychainPasswordStore keyring;
    LoginDialogPrompt loginDialog;
    NetworkStartup network;
    NetworkStartup::Settings settings;
    settings.demo = options.demo;
    settings.attachmentsFile = options.attachmentsFile;
    settings.captureFile = options.captureFile;
    settings.volumesRoot = Emulator::DefaultVolumesRoot();
    settings.demoLatencyMilliseconds = options.demoLatencyMilliseconds;
    // The servers attach all at once; the start-up window shows them when they take long.
    settings.waitForAttach = WaitWithStartupWindow;
    std::string fatal;
    if (!network.Start(settings, keyring, loginDialog, fatal)) {
        std::cerr << argv[0] << ": " << fatal << "\n";
        NetUtil::BindMessageBoxPresenter(nullptr);
        return 1;
    }
    BindClient(&network.Client());
    NetClient::BindConnectionControl(&network.Client());
    Platform::BindNetworkFiles(&network.Files());

    int result = 0;
    {
        // Each console window connects to its server on its own, as the same user.
        ConsoleWindows consoleWindows(
            [&network](const std::string& server) { return network.Client().NewSessionFor(server); });
        TMainForm MainForm;
        if (ConnectionTools* connections = MainForm.Connections())
            connections->setStartInfo({network.AttachmentsFile(), network.Failures(), &keyring});
        MainForm.show();
        consoleWindows.ReopenSaved();
        // The servers that could not be attached are told once, in one box, when the window is up.
        if (const std::string failures = network.FailureText(); !failures.empty())
            QTimer::singleShot(0, &MainForm, [failures] {
                MessageBoxes::ShowApplicationError(QString::fromStdString(failures));
            });
        result = QApplication::exec();
    }
    Platform::BindNetworkFiles(nullptr);
    NetUtil::BindMessageBoxPresenter(nullptr);
    NetClient::BindConnectionControl(nullptr);
    BindClient(nullptr);
    return result;
}
