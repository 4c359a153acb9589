#include "EmulatorTestSupport.h"

#include <QObject>
#include <QTest>

#include <array>
#include <cstring>
#include <functional>

using namespace EmulatorTest;
using Emulator::Server;
using Emulator::Workstation;

// The connection table, handles, names and directory contexts of the emulated workstation.
class WorkstationTest final : public QObject {
    Q_OBJECT

    struct Network {
        QTemporaryDir volumes;
        std::unique_ptr<Workstation> workstation;
        Server* atlas = nullptr;
        Server* castor = nullptr;
        std::uint32_t admin = 0;
        std::uint32_t atlasRef = 0;
        std::uint32_t secondAtlasRef = 0;
        std::uint32_t castorRef = 0;

        Network() {
            workstation = std::make_unique<Workstation>(volumes.path().toStdString());
            atlas = &workstation->AddServer(Config("ATLAS", 5));
            castor = &workstation->AddServer(Config("CASTOR", 3, 12));
            admin = atlas->AddUser("ADMIN", "CN=Admin.O=ACME", 0x0B000001);
            castor->AddUser("GUEST", "");
            atlasRef = workstation->AddConnection(*atlas, admin);
            castorRef = workstation->AddConnection(*castor, 0);
            secondAtlasRef = workstation->AddConnection(*atlas, admin);
        }
    };

    static std::vector<std::string> ScannedNames(Workstation& workstation, std::uint16_t& endStatus) {
        std::vector<std::string> names;
        std::uint32_t cursor = 0;
        std::uint32_t ref = 0;
        while ((endStatus = workstation.ScanConnRefs(&cursor, &ref)) == 0 && names.size() < 100) {
            char name[ClientLibrary::ServerNameSize];
            if (workstation.GetConnRefInfo(ref, ClientLibrary::InfoServerName, sizeof name, name) == 0)
                names.emplace_back(name);
        }
        return names;
    }

private Q_SLOTS:
    void scanListsReferencesInOrderAndEnds() {
        Network network;
        std::uint16_t end = 0;
        QCOMPARE(ScannedNames(*network.workstation, end),
                 (std::vector<std::string>{"ATLAS", "CASTOR", "ATLAS"}));
        QCOMPARE(end, StatusCodes::NoMoreEntries);
        // A second scan from cursor 0 starts over.
        QCOMPARE(ScannedNames(*network.workstation, end).size(), std::size_t{3});
    }

    void scanOfAnEmptyTableEndsAtOnce() {
        QTemporaryDir volumes;
        Workstation workstation(volumes.path().toStdString());
        std::uint32_t cursor = 0, ref = 0xABCD;
        QCOMPARE(workstation.ScanConnRefs(&cursor, &ref), StatusCodes::NoMoreEntries);
        QCOMPARE(ref, 0xABCDu);
        std::uint32_t primary = 0;
        QCOMPARE(workstation.GetPrimaryConnRef(&primary), StatusCodes::NoPrimaryConnection);
    }

    void droppedReferenceLeavesTheScanAndItsHandlesDie() {
        Network network;
        const std::uint32_t handle = OpenHandle(*network.workstation, network.atlasRef);
        const std::uint32_t otherHandle = OpenHandle(*network.workstation, network.secondAtlasRef);
        QVERIFY(network.workstation->DropConnection(network.atlasRef));
        std::uint16_t end = 0;
        QCOMPARE(ScannedNames(*network.workstation, end), (std::vector<std::string>{"CASTOR", "ATLAS"}));
        std::uint8_t major = 0;
        QCOMPARE(network.workstation->NWGetFileServerInformation(handle, nullptr, &major, nullptr, nullptr,
                                                                 nullptr, nullptr, nullptr, nullptr, nullptr,
                                                                 nullptr),
                 StatusCodes::InvalidConnection);
        QCOMPARE(network.workstation->NWGetFileServerInformation(otherHandle, nullptr, &major, nullptr,
                                                                 nullptr, nullptr, nullptr, nullptr, nullptr,
                                                                 nullptr, nullptr),
                 StatusCodes::Success);
        std::uint32_t newHandle = 0;
        QCOMPARE(network.workstation->OpenConnByReference(network.atlasRef, 2, 0, &newHandle),
                 StatusCodes::InvalidConnRef);
    }

    void primaryReference() {
        Network network;
        std::uint32_t primary = 0;
        QCOMPARE(network.workstation->GetPrimaryConnRef(&primary), StatusCodes::NoPrimaryConnection);
        QVERIFY(network.workstation->SetPrimaryConnection(network.castorRef));
        QCOMPARE(network.workstation->GetPrimaryConnRef(&primary), StatusCodes::Success);
        QCOMPARE(primary, network.castorRef);
        QVERIFY(!network.workstation->SetPrimaryConnection(0x7777));
    }

    void openModes_data() {
        QTest::addColumn<std::uint32_t>("mode");
        QTest::addColumn<std::uint16_t>("status");
        QTest::newRow("start-up") << 1u << StatusCodes::Success;
        QTest::newRow("later") << 2u << StatusCodes::Success;
        QTest::newRow("zero") << 0u << StatusCodes::InvalidParameter;
        QTest::newRow("three") << 3u << StatusCodes::InvalidParameter;
    }
    void openModes() {
        QFETCH(std::uint32_t, mode);
        QFETCH(std::uint16_t, status);
        Network network;
        std::uint32_t handle = 0;
        QCOMPARE(network.workstation->OpenConnByReference(network.atlasRef, mode, 0, &handle), status);
        QCOMPARE(handle != 0, status == 0);
    }

    void handlesAreDistinctAndStayOpen() {
        Network network;
        const std::uint32_t first = OpenHandle(*network.workstation, network.atlasRef);
        const std::uint32_t second = OpenHandle(*network.workstation, network.atlasRef);
        QVERIFY(first != 0 && second != 0 && first != second);
        QVERIFY(first != network.atlasRef);
        QCOMPARE(network.workstation->ServerOfHandle(first), network.atlas);
        QCOMPARE(network.workstation->ServerOfHandle(second), network.atlas);
    }

    // Every call that takes a handle answers 0x8801 for one never opened and for one whose connection is
    // gone.
    void everyHandleCallRefusesDeadHandles_data() {
        QTest::addColumn<bool>("dropped");
        QTest::newRow("never opened") << false;
        QTest::newRow("dropped") << true;
    }
    void everyHandleCallRefusesDeadHandles() {
        QFETCH(bool, dropped);
        Network network;
        std::uint32_t handle = 0x5151;
        if (dropped) {
            handle = OpenHandle(*network.workstation, network.atlasRef);
            network.workstation->DropConnection(network.atlasRef);
        }
        Workstation& ws = *network.workstation;
        const std::uint32_t context = ws.NWDSCreateContext();
        char text[512] = {};
        std::uint8_t bytes[64] = {};
        std::uint16_t word = 0;
        std::uint32_t value = 0;
        std::uint32_t scanId = 0xFFFFFFFF;
        std::uint16_t replyLength = 16;
        const std::uint8_t request[2] = {0x12, 0x40};
        const std::vector<std::pair<const char*, std::function<std::uint32_t()>>> calls{
            {"GetConnInfo", [&] { return ws.GetConnInfo(handle, 6, 4, &value); }},
            {"GetBinderyObjectNameById",
             [&] { return ws.GetBinderyObjectNameById(handle, network.admin, text, &word); }},
            {"MapIdToDSName", [&] { return ws.MapIdToDSName(context, handle, network.admin, text); }},
            {"NWDSGetServerDN", [&] { return ws.NWDSGetServerDN(context, handle, text); }},
            {"GetBinderyContext", [&] { return ws.GetBinderyContext(context, handle, text); }},
            {"NWGetFileServerInformation",
             [&] {
                 return ws.NWGetFileServerInformation(handle, text, bytes, bytes, bytes, &word, &word, &word,
                                                      &word, bytes, bytes);
             }},
            {"ScanNCPExtensions",
             [&] { return ws.ScanNCPExtensions(handle, &scanId, text, bytes, bytes, bytes, bytes); }},
            {"GetNCPExtensionInfoByName",
             [&] {
                 return ws.GetNCPExtensionInfoByName(handle, "QV_EXT", &value, bytes, bytes, bytes, bytes);
             }},
            {"NCPExtensionRequest",
             [&] { return ws.NCPExtensionRequest(handle, 0x201, request, 2, bytes, &replyLength); }},
            {"NWSMLoadNLM", [&] { return ws.NWSMLoadNLM(handle, "QVEXT.NLM"); }},
            {"NWSMUnloadNLM", [&] { return ws.NWSMUnloadNLM(handle, "QVEXT.NLM"); }},
        };
        for (const auto& [name, call] : calls) {
            const std::uint32_t status = call();
            if (status != StatusCodes::InvalidConnection)
                QFAIL(qPrintable(QStringLiteral("%1 answered %2").arg(name).arg(status, 0, 16)));
        }
        ws.FreeContext(context);
    }

    void referenceInformation_data() {
        QTest::addColumn<std::uint32_t>("type");
        QTest::addColumn<std::uint32_t>("length");
        QTest::addColumn<std::uint16_t>("status");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("server name") << 7u << 255u << StatusCodes::Success << QByteArray("CASTOR");
        QTest::newRow("exact fit") << 7u << 7u << StatusCodes::Success << QByteArray("CASTOR");
        QTest::newRow("no room for the zero") << 7u << 6u << StatusCodes::BufferTooSmall << QByteArray();
        QTest::newRow("other type") << 6u << 255u << StatusCodes::InvalidParameter << QByteArray();
    }
    void referenceInformation() {
        QFETCH(std::uint32_t, type);
        QFETCH(std::uint32_t, length);
        QFETCH(std::uint16_t, status);
        QFETCH(QByteArray, text);
        Network network;
        char buffer[255] = {};
        QCOMPARE(network.workstation->GetConnRefInfo(network.castorRef, type, length, buffer), status);
        QCOMPARE(QByteArray(buffer), text);
    }

    void unknownReferenceHasNoInformation() {
        Network network;
        char buffer[255] = {};
        QCOMPARE(network.workstation->GetConnRefInfo(0x9999, 7, 255, buffer), StatusCodes::InvalidConnRef);
    }

    void userIdOfAConnectionIsLittleEndian() {
        Network network;
        network.workstation->SetConnectionUser(network.atlasRef, 0x0A0B0C0D);
        const std::uint32_t handle = OpenHandle(*network.workstation, network.atlasRef);
        std::uint8_t bytes[4] = {};
        QCOMPARE(network.workstation->GetConnInfo(handle, 6, 4, bytes), StatusCodes::Success);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes), 4), QByteArray("\x0D\x0C\x0B\x0A", 4));
        QCOMPARE(network.workstation->GetConnInfo(handle, 6, 2, bytes), StatusCodes::InvalidParameter);
        QCOMPARE(network.workstation->GetConnInfo(handle, 7, 4, bytes), StatusCodes::InvalidParameter);

        std::uint32_t nobody = 0xFFFF;
        QCOMPARE(network.workstation->GetConnInfo(OpenHandle(*network.workstation, network.castorRef), 6, 4,
                                                  &nobody),
                 StatusCodes::Success);
        QCOMPARE(nobody, 0u);
    }

    void binderyNames() {
        Network network;
        const std::uint32_t handle = OpenHandle(*network.workstation, network.atlasRef);
        char name[ClientLibrary::BinderyNameSize] = {};
        std::uint16_t type = 0;
        QCOMPARE(network.workstation->GetBinderyObjectNameById(handle, network.admin, name, &type),
                 StatusCodes::Success);
        QCOMPARE(QByteArray(name), QByteArray("ADMIN"));
        QCOMPARE(type, std::uint16_t{1});
        QCOMPARE(network.workstation->GetBinderyObjectNameById(handle, 0x4242, name, &type),
                 StatusCodes::NoSuchObject);
        // Objects belong to their server: ATLAS's user is unknown to CASTOR.
        const std::uint32_t castorHandle = OpenHandle(*network.workstation, network.castorRef);
        QCOMPARE(network.workstation->GetBinderyObjectNameById(castorHandle, network.admin, name, &type),
                 StatusCodes::NoSuchObject);
    }

    void longBinderyNamesAreCutToFit() {
        Network network;
        const std::uint32_t id = network.atlas->AddUser(std::string(60, 'X'), "");
        char name[ClientLibrary::BinderyNameSize];
        std::memset(name, 'Z', sizeof name);
        std::uint16_t type = 0;
        QCOMPARE(network.workstation->GetBinderyObjectNameById(
                     OpenHandle(*network.workstation, network.atlasRef), id, name, &type),
                 StatusCodes::Success);
        QCOMPARE(std::strlen(name), std::size_t{47});
    }

    // Directory names on a version-5 server, DS statuses on the bindery-only one.
    void directoryServicesOrBindery_data() {
        QTest::addColumn<bool>("onAtlas");
        QTest::addColumn<std::uint32_t>("status");
        QTest::addColumn<QByteArray>("serverDN");
        QTest::addColumn<QByteArray>("binderyContext");
        QTest::addColumn<QByteArray>("userName");
        QTest::newRow("ATLAS") << true << std::uint32_t{StatusCodes::Success} << QByteArray("CN=ATLAS.O=ACME")
                               << QByteArray("OU=SALES.O=ACME") << QByteArray("CN=Admin.O=ACME");
        QTest::newRow("CASTOR") << false << StatusCodes::DSNotAvailable << QByteArray() << QByteArray()
                                << QByteArray();
    }
    void directoryServicesOrBindery() {
        QFETCH(bool, onAtlas);
        QFETCH(std::uint32_t, status);
        QFETCH(QByteArray, serverDN);
        QFETCH(QByteArray, binderyContext);
        QFETCH(QByteArray, userName);
        Network network;
        Workstation& ws = *network.workstation;
        const std::uint32_t handle = OpenHandle(ws, onAtlas ? network.atlasRef : network.castorRef);
        std::uint32_t context = 0;
        QCOMPARE(ws.NWDSCreateContextHandle(&context), StatusCodes::Success);
        char dn[ClientLibrary::DSNameSize] = {};
        char bindery[ClientLibrary::DSNameSize] = {};
        char user[ClientLibrary::DSObjectNameSize] = {};
        QCOMPARE(ws.NWDSGetServerDN(context, handle, dn), status);
        QCOMPARE(ws.GetBinderyContext(context, handle, bindery), status);
        QCOMPARE(ws.MapIdToDSName(context, handle, network.admin, user), status);
        QCOMPARE(QByteArray(dn), serverDN);
        QCOMPARE(QByteArray(bindery), binderyContext);
        QCOMPARE(QByteArray(user), userName);
        QCOMPARE(ws.FreeContext(context), StatusCodes::Success);
    }

    void userWithoutDirectoryNameIsNoSuchEntry() {
        Network network;
        const std::uint32_t id = network.atlas->AddUser("LOCAL", "");
        const std::uint32_t context = network.workstation->NWDSCreateContext();
        char name[ClientLibrary::DSObjectNameSize] = {};
        const std::uint32_t handle = OpenHandle(*network.workstation, network.atlasRef);
        QCOMPARE(network.workstation->MapIdToDSName(context, handle, id, name), StatusCodes::DSNoSuchEntry);
        QCOMPARE(network.workstation->MapIdToDSName(context, handle, 0x3333, name),
                 StatusCodes::DSNoSuchEntry);
    }

    void contextsAreAllocatedAndFreed() {
        Network network;
        Workstation& ws = *network.workstation;
        const std::uint32_t first = ws.NWDSCreateContext();
        std::uint32_t second = 0;
        QCOMPARE(ws.NWDSCreateContextHandle(&second), StatusCodes::Success);
        QVERIFY(first != ClientLibrary::NoContext && second != ClientLibrary::NoContext && first != second);
        QCOMPARE(ws.OpenContextCount(), std::size_t{2});
        QCOMPARE(ws.FreeContext(first), StatusCodes::Success);
        QCOMPARE(ws.FreeContext(first), StatusCodes::DSInvalidContext);
        char dn[ClientLibrary::DSNameSize] = {};
        QCOMPARE(ws.NWDSGetServerDN(first, OpenHandle(ws, network.atlasRef), dn),
                 StatusCodes::DSInvalidContext);
        QCOMPARE(ws.OpenContextCount(), std::size_t{1});
    }

    void contextLimitGives328() {
        Network network;
        Workstation& ws = *network.workstation;
        ws.SetContextLimit(1);
        const std::uint32_t held = ws.NWDSCreateContext();
        QVERIFY(held != ClientLibrary::NoContext);
        QCOMPARE(ws.NWDSCreateContext(), ClientLibrary::NoContext);
        std::uint32_t context = 0;
        QVERIFY(ws.NWDSCreateContextHandle(&context) != 0);
        QCOMPARE(context, ClientLibrary::NoContext);
        ws.FreeContext(held);
        QVERIFY(ws.NWDSCreateContext() != ClientLibrary::NoContext);
    }

    void fileServerInformation() {
        Network network;
        network.castor->SetConnectionCounts(25, 6, 3);
        char name[ClientLibrary::FileServerNameSize] = {};
        std::uint8_t major = 0, minor = 0, revision = 9, sft = 0, tts = 0;
        std::uint16_t maxConns = 0, peak = 0, inUse = 0, volumes = 0;
        QCOMPARE(network.workstation->NWGetFileServerInformation(
                     OpenHandle(*network.workstation, network.castorRef), name, &major, &minor, &revision,
                     &maxConns, &peak, &inUse, &volumes, &sft, &tts),
                 StatusCodes::Success);
        QCOMPARE(QByteArray(name), QByteArray("CASTOR"));
        QCOMPARE(major, std::uint8_t{3});
        QCOMPARE(minor, std::uint8_t{12});
        QCOMPARE(revision, std::uint8_t{0});
        QCOMPARE(maxConns, std::uint16_t{25});
        QCOMPARE(peak, std::uint16_t{6});
        QCOMPARE(inUse, std::uint16_t{3});
        QCOMPARE(volumes, std::uint16_t{1});
        QCOMPARE(sft, std::uint8_t{2});
        QCOMPARE(tts, std::uint8_t{1});
    }

    void injectedFaults() {
        Network network;
        Workstation& ws = *network.workstation;
        QVERIFY(!ws.FailCall("NoSuchCall", 0x8801));
        // The second scan call fails, once.
        QVERIFY(ws.FailCall("ScanConnRefs", 0x8899, 1, 1));
        std::uint32_t cursor = 0, ref = 0;
        QCOMPARE(ws.ScanConnRefs(&cursor, &ref), StatusCodes::Success);
        QCOMPARE(ws.ScanConnRefs(&cursor, &ref), std::uint16_t{0x8899});
        QCOMPARE(ws.ScanConnRefs(&cursor, &ref), StatusCodes::Success);

        QVERIFY(ws.FailCall("NWGetFileServerInformation", StatusCodes::InvalidConnection));
        const std::uint32_t handle = OpenHandle(ws, network.atlasRef);
        char name[ClientLibrary::FileServerNameSize] = "untouched";
        for (int i = 0; i < 3; ++i)
            QCOMPARE(ws.NWGetFileServerInformation(handle, name, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                   nullptr, nullptr, nullptr, nullptr),
                     StatusCodes::InvalidConnection);
        QCOMPARE(QByteArray(name), QByteArray("untouched"));

        QVERIFY(ws.FailCall("NWDSCreateContext", 1));
        QCOMPARE(ws.NWDSCreateContext(), ClientLibrary::NoContext);
        QVERIFY(ws.FailCall("StartClient", StatusCodes::ClientNotStarted));
        QCOMPARE(ws.StartClient(0, 0), StatusCodes::ClientNotStarted);
        QCOMPARE(ws.StartClx(0, 0), StatusCodes::Success);

        ws.Faults().ClearAll();
        QCOMPARE(ws.StartClient(0, 0), StatusCodes::Success);
        QCOMPARE(ws.CallCount("StartClient"), std::size_t{2});
    }

    void upperCasing_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("upper");
        QTest::newRow("ascii") << QByteArray("sys:system\\qvext.nlm") << QByteArray("SYS:SYSTEM\\QVEXT.NLM");
        QTest::newRow("latin-1 letters") << QByteArray("\xE4\xF6\xFC\xE9") << QByteArray("\xC4\xD6\xDC\xC9");
        QTest::newRow("division sign, sharp s and y diaeresis stay")
            << QByteArray("\xF7\xDF\xFF") << QByteArray("\xF7\xDF\xFF");
        QTest::newRow("empty") << QByteArray("") << QByteArray("");
    }
    void upperCasing() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, upper);
        Network network;
        QByteArray buffer = text;
        char* result = network.workstation->UpperCaseText(buffer.data());
        QCOMPARE(result, buffer.data());
        QCOMPARE(buffer, upper);
    }

    void upperCasingStopsAtTheFirstZero() {
        Network network;
        char text[] = {'a', 'b', '\0', 'c', 'd', '\0'};
        network.workstation->UpperCaseText(text);
        QCOMPARE(QByteArray(text, 6), QByteArray("AB\0cd\0", 6));
    }

    void volumeDirectories_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("volume");
        QTest::addColumn<std::uint16_t>("status");
        QTest::addColumn<QString>("relative");
        QTest::newRow("exact") << QByteArray("ATLAS") << QByteArray("SYS") << StatusCodes::Success
                               << QStringLiteral("ATLAS/SYS");
        QTest::newRow("any case") << QByteArray("atlas") << QByteArray("Sys") << StatusCodes::Success
                                  << QStringLiteral("ATLAS/SYS");
        QTest::newRow("unknown volume")
            << QByteArray("ATLAS") << QByteArray("VOL9") << StatusCodes::NoSuchVolume << QString();
        QTest::newRow("unknown server")
            << QByteArray("ZEUS") << QByteArray("SYS") << StatusCodes::NoConnectionToServer << QString();
    }
    void volumeDirectories() {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, volume);
        QFETCH(std::uint16_t, status);
        QFETCH(QString, relative);
        Network network;
        char path[1024] = {};
        QCOMPARE(network.workstation->GetVolumeDirectory(server.constData(), volume.constData(), path,
                                                         sizeof path),
                 status);
        if (status != 0)
            return;
        QCOMPARE(QString::fromUtf8(path), network.volumes.path() + "/" + relative);
        QVERIFY(QFileInfo(QString::fromUtf8(path)).isDir());
        QVERIFY(QFileInfo(network.volumes.path() + "/ATLAS/SYS/SYSTEM").isDir());
    }

    void volumeDirectoryNeedsRoomForThePath() {
        Network network;
        char path[8] = {};
        QCOMPARE(network.workstation->GetVolumeDirectory("ATLAS", "SYS", path, sizeof path),
                 StatusCodes::BufferTooSmall);
    }
};

QTEST_GUILESS_MAIN(WorkstationTest)
#include "WorkstationTest.moc"
