// The program entry: binds the emulated workstation as the client, builds the one main window and runs
// until it is closed. The program takes no arguments.

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "emulator/DemoNetwork.h"
#include "emulator/Workstation.h"
#include "netclient/ClientLibrary.h"

#include <QApplication>

int main(int, char** argv) {
    int qtArgumentCount = 1; // the program reads no command line, so the toolkit sees none either
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
