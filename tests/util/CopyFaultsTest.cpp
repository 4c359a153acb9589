#include "util/FileCopy.h"

#include "tests/util/ChildScenario.h"
#include "tests/util/FakeVolumeClient.h"
#include "util/PlatformFileSystem.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

using namespace std::string_literals;

namespace {

// Every name below directory with its kind, mode, contents (size and checksum) or link target: what a user
// would find there.
void Snapshot(const std::string& directory, std::vector<std::string>& entries) {
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = directory + "/" + name;
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0)
            continue;
        std::string line =
            path + " inode " + std::to_string(status.st_ino) + " mode " + std::to_string(status.st_mode);
        if (S_ISREG(status.st_mode)) {
            const std::string contents = Read(path);
            line += " size " + std::to_string(contents.size()) + " sum " +
                    std::to_string(std::hash<std::string>{}(contents));
        }
        if (S_ISLNK(status.st_mode)) {
            std::array<char, 4096> target{};
            const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
            line += " link " + std::string(target.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
        }
        entries.push_back(line);
        if (S_ISDIR(status.st_mode))
            Snapshot(path, entries);
    }
    ::closedir(listing);
}

std::vector<std::string> Snapshot(const std::string& directory) {
    std::vector<std::string> entries;
    Snapshot(directory, entries);
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The entries of one snapshot that the other lacks, marked with what.
std::string Missing(const std::vector<std::string>& from, const std::vector<std::string>& in,
                    const std::string& what) {
    std::vector<std::string> missing;
    std::set_difference(from.begin(), from.end(), in.begin(), in.end(), std::back_inserter(missing));
    std::string text;
    for (const std::string& entry : missing)
        text += what + entry + "; ";
    return text;
}

std::vector<std::string> EntryNames(const std::string& directory) {
    std::vector<std::string> names;
    if (DIR* listing = ::opendir(directory.c_str())) {
        while (const dirent* entry = ::readdir(listing))
            if (entry->d_name[0] != '.' ||
                (std::string(entry->d_name) != "." && std::string(entry->d_name) != ".."))
                names.emplace_back(entry->d_name);
        ::closedir(listing);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Network files that note whether the copy started writing through them, and refuse it.
struct NetworkFilesSeen final : Platform::FileSystem {
    Platform::OpenResult OpenForReading(const std::string&, std::unique_ptr<Platform::SourceFile>&) override {
        return Platform::OpenResult::Refused;
    }
    Platform::CreateResult CreateReplacement(const std::string&,
                                             std::unique_ptr<Platform::ReplacementFile>&) override {
        created = true;
        return Platform::CreateResult::Refused;
    }
    bool Identify(const std::string&, Platform::FileIdentity&) override { return false; }
    bool WriteAttributes(const std::string&, const Platform::FileAttributes&) override { return false; }
    bool created = false;
};

// Builds the files of one fault below dir, copies, and checks that the copy failed and that nothing below
// dir changed (no source emptied, no old destination lost, no temporary file left behind).
std::string CopyFault(const std::string& fault, const std::string& dir, NCP_Ext::CopyProblem expected) {
    const std::string nlm = dir + "/nlm";
    const std::string out = dir + "/out";
    const std::string volume = dir + "/vol";
    for (const std::string& directory : {nlm, out, volume, volume + "/SYSTEM", dir + "/outside"})
        if (::mkdir(directory.c_str(), 0755) != 0 && errno != EEXIST)
            return "cannot make " + directory;
    std::string source = nlm + "/QVEXT.NLM";
    std::string destination = out + "/";
    const std::string old = out + "/QVEXT.NLM";
    // A read-only destination is refused but gets the source's mode: with a read-only source that changes
    // nothing.
    const mode_t sourceMode = fault == "read-only destination" ? 0444 : 0644;
    if (!Write(source, std::string(20000, 'm'), sourceMode))
        return "cannot write the source";
    bool prepared = true;
    bool overNetwork = false;
    if (fault == "same path")
        destination = source;
    else if (fault == "same path through a dot")
        destination = nlm + "/./QVEXT.NLM";
    else if (fault == "the source's own directory")
        destination = nlm + "/";
    else if (fault == "hard link to the source")
        prepared = ::link(source.c_str(), old.c_str()) == 0;
    else if (fault == "symbolic link to the source")
        prepared = ::symlink(source.c_str(), old.c_str()) == 0;
    else if (fault == "source directory is the volume's SYS:SYSTEM") {
        source = volume + "/SYSTEM/QVEXT.NLM";
        prepared = Write(source, "module in the volume", 0644);
        destination = "\\\\FS1\\SYS\\SYSTEM\\";
    } else if (fault == "source directory is the volume's SYS:SYSTEM, written over the network") {
        source = volume + "/SYSTEM/QVEXT.NLM";
        prepared = Write(source, "module in the volume", 0644);
        destination = "\\\\FS1\\SYS\\SYSTEM\\";
        overNetwork = true;
    } else if (fault == "volume directory linked out of the volume") {
        prepared = ::rmdir((volume + "/SYSTEM").c_str()) == 0 &&
                   ::symlink((dir + "/outside").c_str(), (volume + "/SYSTEM").c_str()) == 0;
        destination = "\\\\FS1\\SYS\\SYSTEM\\";
    } else if (fault == "read-only destination")
        prepared = Write(old, "old", 0444);
    else if (fault == "destination directory not writable")
        prepared = Write(old, "old", 0644) && ::chmod(out.c_str(), 0555) == 0;
    else if (fault == "named pipe")
        prepared = ::mkfifo(old.c_str(), 0666) == 0;
    else if (fault == "named pipe as the source") {
        source = nlm + "/PIPE.NLM";
        prepared = ::mkfifo(source.c_str(), 0666) == 0;
    } else if (fault == "link to a device")
        prepared = ::symlink("/dev/null", old.c_str()) == 0;
    else if (fault == "directory")
        prepared = ::mkdir(old.c_str(), 0755) == 0;
    else if (fault == "file-size limit") {
        // The limit stops the third block; the signal it raises is left at its default, which would end the
        // program: the file layer must turn it into a failed write.
        rlimit limit{};
        prepared = Write(old, "old", 0644) && ::getrlimit(RLIMIT_FSIZE, &limit) == 0;
        limit.rlim_cur = 10000;
        prepared =
            prepared && std::signal(SIGXFSZ, SIG_DFL) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    } else if (fault == "source missing") {
        source = nlm + "/MISSING.NLM";
        prepared = Write(old, "old", 0644);
    } else if (fault == "source fails to read") {
        source = "/proc/self/mem";
        prepared = Write(out + "/mem", "old", 0644);
    } else
        return "unknown fault";
    if (!prepared)
        return "cannot prepare the fault";

    FakeVolumeClient client;
    client.AddVolume("FS1", "SYS", volume);
    ScopedClientBinding binding(client);
    NetworkFilesSeen network;
    if (overNetwork)
        Platform::BindNetworkFiles(&network);
    const std::vector<std::string> before = Snapshot(dir);
    NCP_Ext::CopyProblem problem = NCP_Ext::CopyProblem::None;
    const std::uint16_t status = NCP_Ext::CopyFile(source, destination, problem);
    const std::vector<std::string> after = Snapshot(dir);
    Platform::BindNetworkFiles(nullptr);
    if (status != NCP_Ext::CopyFailed)
        return "the copy gave " + std::to_string(status);
    if (problem != expected)
        return "the copy named problem " + std::to_string(static_cast<int>(problem)) + ", not " +
               std::to_string(static_cast<int>(expected));
    if (network.created)
        return "the destination was written over the network";
    return Missing(before, after, "gone: ") + Missing(after, before, "new: ");
}

} // namespace

Q_DECLARE_METATYPE(ScenarioUser)
Q_DECLARE_METATYPE(NCP_Ext::CopyProblem)

class CopyFaultsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each fault fails the copy with 0xFFFF, names why (for the words below the box), and changes nothing.
    void faultLeavesEverythingAsItWas_data() {
        using Problem = NCP_Ext::CopyProblem;
        QTest::addColumn<std::string>("fault");
        QTest::addColumn<ScenarioUser>("user");
        QTest::addColumn<Problem>("problem");
        const std::pair<const char*, Problem> faults[] = {
            {"same path", Problem::SameFile},
            {"same path through a dot", Problem::SameFile},
            {"the source's own directory", Problem::SameFile},
            {"hard link to the source", Problem::SameFile},
            {"symbolic link to the source", Problem::SameFile},
            {"source directory is the volume's SYS:SYSTEM", Problem::SameFile},
            {"source directory is the volume's SYS:SYSTEM, written over the network", Problem::SameFile},
            {"volume directory linked out of the volume", Problem::Other},
            {"read-only destination", Problem::ReadOnlyDestination},
            {"named pipe", Problem::DestinationNotAFile},
            {"named pipe as the source", Problem::SourceUnreadable},
            {"link to a device", Problem::DestinationNotAFile},
            {"directory", Problem::DestinationNotAFile},
            {"file-size limit", Problem::SizeOrSpaceLimit},
            {"source fails to read", Problem::SourceUnreadable},
            {"source missing", Problem::SourceMissing},
        };
        for (const auto& [fault, problem] : faults)
            QTest::addRow("%s", fault) << std::string(fault) << ScenarioUser::Current << problem;
        // Permission bits do not stop the superuser; these need an ordinary user.
        QTest::addRow("read-only destination, unprivileged")
            << "read-only destination"s << ScenarioUser::Nobody << Problem::ReadOnlyDestination;
        QTest::addRow("destination directory not writable, unprivileged")
            << "destination directory not writable"s << ScenarioUser::Nobody << Problem::NoRights;
        QTest::addRow("file-size limit, unprivileged")
            << "file-size limit"s << ScenarioUser::Nobody << Problem::SizeOrSpaceLimit;
    }
    void faultLeavesEverythingAsItWas() {
        QFETCH(std::string, fault);
        QFETCH(ScenarioUser, user);
        QFETCH(NCP_Ext::CopyProblem, problem);
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const std::string dir = temporary.path().toStdString();
        if (user == ScenarioUser::Nobody && ::geteuid() == 0)
            QVERIFY(::chown(dir.c_str(), NobodyId, NobodyId) == 0);
        const std::string result = RunInChild(user, 20, [&] { return CopyFault(fault, dir, problem); });
        QVERIFY2(result.empty(), result.c_str());
    }

    // A copy that succeeds replaces the old file in one step, and replaces the file a link leads to, not the
    // link.
    void replacesCompletely_data() {
        QTest::addColumn<std::string>("destination");
        QTest::addColumn<std::string>("replaced");
        QTest::addRow("existing file") << "out/QVEXT.NLM"s
                                       << "out/QVEXT.NLM"s;
        QTest::addRow("link to a file beside it") << "out/LINK.NLM"s
                                                  << "out/QVEXT.NLM"s;
        QTest::addRow("link to a file elsewhere") << "out/ELSEWHERE.NLM"s
                                                  << "other/OLD.NLM"s;
    }
    void replacesCompletely() {
        QFETCH(std::string, destination);
        QFETCH(std::string, replaced);
        QTemporaryDir temporary;
        const std::string dir = temporary.path().toStdString();
        QVERIFY(::mkdir((dir + "/out").c_str(), 0755) == 0 && ::mkdir((dir + "/other").c_str(), 0755) == 0);
        QVERIFY(Write(dir + "/QVEXT.NLM", "new module", 0640));
        QVERIFY(Write(dir + "/out/QVEXT.NLM", "old module, longer than the new one", 0644));
        QVERIFY(Write(dir + "/other/OLD.NLM", "old", 0644));
        QVERIFY(::symlink("QVEXT.NLM", (dir + "/out/LINK.NLM").c_str()) == 0);
        QVERIFY(::symlink((dir + "/other/OLD.NLM").c_str(), (dir + "/out/ELSEWHERE.NLM").c_str()) == 0);

        QCOMPARE(NCP_Ext::CopyFile(dir + "/QVEXT.NLM", dir + "/" + destination), std::uint16_t{0});

        QCOMPARE(Read(dir + "/" + replaced), "new module"s);
        struct stat status {};
        QVERIFY(::lstat((dir + "/" + replaced).c_str(), &status) == 0);
        QCOMPARE(status.st_mode & 07777, 0640u);
        // The links are still links, and no temporary file is left beside them.
        struct stat link {};
        QVERIFY(::lstat((dir + "/out/LINK.NLM").c_str(), &link) == 0 && S_ISLNK(link.st_mode));
        QVERIFY(::lstat((dir + "/out/ELSEWHERE.NLM").c_str(), &link) == 0 && S_ISLNK(link.st_mode));
        QCOMPARE(EntryNames(dir + "/out"),
                 (std::vector<std::string>{"ELSEWHERE.NLM", "LINK.NLM", "QVEXT.NLM"}));
    }
};

QTEST_GUILESS_MAIN(CopyFaultsTest)
#include "CopyFaultsTest.moc"
