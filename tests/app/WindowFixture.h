#pragma once

// A main window on a scripted workstation, its boxes shown for real and closed as a user would.

#include "app/MainForm.h"
#include "app/MessageBoxes.h"
#include "netclient/SharedState.h"
#include "tests/support/ModalBoxCloser.h"
#include "tests/support/RecordingClient.h"
#include "util/Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

struct WindowFixture {
    QTemporaryDir settingsDirectory;
    RecordingClient client;
    ScopedClientBinding clientBinding{client};
    QtMessageBoxPresenter presenter;
    ModalBoxCloser boxes; // lives before the window: FormCreate may already show boxes
    std::unique_ptr<TMainForm> form;

    WindowFixture() {
        ResetSharedState();
        NetUtil::BindMessageBoxPresenter(&presenter);
        NetUtil::SetSettingsDirectory(settingsDirectory.path().toStdString());
    }
    ~WindowFixture() {
        form.reset();
        NetUtil::BindMessageBoxPresenter(nullptr);
    }
    WindowFixture(const WindowFixture&) = delete;
    WindowFixture& operator=(const WindowFixture&) = delete;

    // Connection references 1, 2, ... with handles 101, 102, ... in the order of the servers given.
    void Connect(const RecordingClient::ScriptedServer& server, std::uint32_t userId = 0) {
        client.AddServer(server);
        ++nextRef_;
        client.AddConnection(
            {.connRef = nextRef_, .connHandle = 100 + nextRef_, .serverName = server.name, .userId = userId});
    }

    TMainForm& Open() {
        form = std::make_unique<TMainForm>();
        form->show();
        return *form;
    }

    std::string SettingsText() const {
        QFile file(QString::fromStdString(NetUtil::SettingsFilePath("QVEXT")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll().toStdString();
    }

private:
    std::uint32_t nextRef_ = 0;
};
