#include "util/FileCopy.h"

#include "tests/util/ChildScenario.h"
#include "tests/util/FakeVolumeClient.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace std::string_literals;

namespace {

// Contents that differ from block to block, so that a block written twice or skipped shows.
QByteArray Pattern(qsizetype size) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 4096 * 7 + 1) & 0xFF);
    return bytes;
}

// Plain POSIX helpers, usable in a child process that must not touch Qt.
bool WriteWithMode(const std::string& path, const std::string& contents, mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written =
        ::write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
    const bool moded = ::fchmod(fd, mode) == 0;
    return (::close(fd) == 0) && written && moded;
}

std::string ContentsOf(const std::string& path) {
    std::string contents;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "<missing>";
    std::array<char, 4096> buffer{};
    ssize_t count = 0;
    while ((count = ::read(fd, buffer.data(), buffer.size())) > 0)
        contents.append(buffer.data(), static_cast<std::size_t>(count));
    ::close(fd);
    return contents;
}

struct stat StatusOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        status.st_mode = 0;
    return status;
}

int ModeOf(const std::string& path) {
    return static_cast<int>(StatusOf(path).st_mode & 07777);
}

bool SetModified(const std::string& path, std::int64_t seconds, long nanoseconds) {
    std::array<timespec, 2> times{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds);
    times[1].tv_nsec = nanoseconds;
    return ::utimensat(AT_FDCWD, path.c_str(), times.data(), 0) == 0;
}

bool WriteBytes(const std::string& path, const QByteArray& bytes) {
    return WriteWithMode(path, bytes.toStdString(), 0644);
}

// An existing read-only destination is refused; the source's mode then goes onto it, so that the next
// attempt succeeds. Returns what went wrong, or nothing.
std::string ReadOnlyDestinationScenario(const std::string& directory) {
    const std::string source = directory + "/SRC.NLM";
    const std::string destination = directory + "/DST.NLM";
    if (!WriteWithMode(source, "new contents", 0644) || !WriteWithMode(destination, "old", 0444))
        return "could not prepare the files";
    if (NCP_Ext::CopyFile(source, destination) != NCP_Ext::CopyFailed)
        return "the copy onto a read-only destination succeeded";
    if (ContentsOf(destination) != "old")
        return "the read-only destination was changed";
    if (ModeOf(destination) != 0644)
        return "the source's mode was not set on the refused destination";
    if (NCP_Ext::CopyFile(source, destination) != 0)
        return "the second attempt failed";
    if (ContentsOf(destination) != "new contents")
        return "the second attempt did not copy";
    return {};
}

// Runs the scenario as the unprivileged user "nobody" (permission bits do not stop root).
std::string RunAsNobody(const std::string& directory) {
    if (::chown(directory.c_str(), NobodyId, NobodyId) != 0)
        return "cannot hand the directory over";
    return RunInChild(ScenarioUser::Nobody, 20, [&] { return ReadOnlyDestinationScenario(directory); });
}

} // namespace

Q_DECLARE_METATYPE(NCP_Ext::CopyProblem)

class FileCopyTest final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> temporary;
    std::string dir;

    std::string Path(const std::string& relative) const { return dir + "/" + relative; }
    QStringList Entries(const std::string& relative) const {
        return QDir(QString::fromStdString(Path(relative)))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void init() {
        temporary = std::make_unique<QTemporaryDir>();
        QVERIFY(temporary->isValid());
        dir = QFile::encodeName(temporary->path()).toStdString();
        QVERIFY(QDir().mkpath(QString::fromStdString(Path("out"))));
    }
    void cleanup() { temporary.reset(); }

    void splitFileName_data() {
        QTest::addColumn<std::string>("fileName");
        QTest::addColumn<std::string>("dirPart");
        QTest::addColumn<std::string>("name");
        QTest::addColumn<std::string>("ext");
        QTest::addRow("drive path") << "C:\\NLM\\QVEXT.NLM"s
                                    << "C:\\NLM\\"s
                                    << "QVEXT"s
                                    << ".NLM"s;
        QTest::addRow("Linux path") << "/home/admin/nlm/QVEXT.NLM"s
                                    << "/home/admin/nlm/"s
                                    << "QVEXT"s
                                    << ".NLM"s;
        QTest::addRow("slashes after a drive") << "C:/nlm/QVEXT.NLM"s
                                               << "C:/nlm/"s
                                               << "QVEXT"s
                                               << ".NLM"s;
        QTest::addRow("mixed separators") << "/home/nlm\\QVEXT.NLM"s
                                          << "/home/nlm\\"s
                                          << "QVEXT"s
                                          << ".NLM"s;
        QTest::addRow("two dots") << "A.B.NLM"s
                                  << ""s
                                  << "A"s
                                  << ".NLM"s;
        QTest::addRow("leading dot") << "D:\\X\\.old"s
                                     << "D:\\X\\"s
                                     << ""s
                                     << ".old"s;
        QTest::addRow("no extension") << "D:\\X\\COPY"s
                                      << "D:\\X\\"s
                                      << "COPY"s
                                      << ""s;
        QTest::addRow("network directory") << "\\\\FS1\\SYS\\SYSTEM\\"s
                                           << "\\\\FS1\\SYS\\SYSTEM\\"s
                                           << ""s
                                           << ""s;
        QTest::addRow("volume only") << "SYS:"s
                                     << "SYS:"s
                                     << ""s
                                     << ""s;
        QTest::addRow("volume and directory") << "SYS:SYSTEM"s
                                              << "SYS:"s
                                              << "SYSTEM"s
                                              << ""s;
        QTest::addRow("dot in the directory") << "a.b/c"s
                                              << "a.b/"s
                                              << "c"s
                                              << ""s;
        QTest::addRow("trailing dot") << "name."s
                                      << ""s
                                      << "name"s
                                      << "."s;
        QTest::addRow("empty") << ""s
                               << ""s
                               << ""s
                               << ""s;
    }
    void splitFileName() {
        QFETCH(std::string, fileName);
        QFETCH(std::string, dirPart);
        QFETCH(std::string, name);
        QFETCH(std::string, ext);
        const NCP_Ext::FilePath parts = NCP_Ext::SplitFileName(fileName);
        QCOMPARE(parts.Dir, dirPart);
        QCOMPARE(parts.Name, name);
        QCOMPARE(parts.Ext, ext);
    }

    void completeDestName_data() {
        QTest::addColumn<std::string>("source");
        QTest::addColumn<std::string>("destination");
        QTest::addColumn<std::string>("expected");
        QTest::addRow("transfer") << "C:\\NLM\\QVEXT.NLM"s
                                  << "\\\\FS1\\SYS\\SYSTEM\\"s
                                  << "\\\\FS1\\SYS\\SYSTEM\\QVEXT.NLM"s;
        QTest::addRow("two dots to a directory") << "A.B.NLM"s
                                                 << "D:\\X\\"s
                                                 << "D:\\X\\A.NLM"s;
        QTest::addRow("destination name with leading dot") << "C:\\NLM\\QVEXT.NLM"s
                                                           << "D:\\X\\.old"s
                                                           << "D:\\X\\QVEXT.NLM"s;
        QTest::addRow("destination name without extension") << "C:\\NLM\\QVEXT.NLM"s
                                                            << "D:\\X\\COPY"s
                                                            << "D:\\X\\COPY"s;
        QTest::addRow("destination with name and extension") << "C:\\NLM\\QVEXT.NLM"s
                                                             << "D:\\X\\COPY.BAK"s
                                                             << "D:\\X\\COPY.BAK"s;
        QTest::addRow("source with slashes") << "C:/nlm/QVEXT.NLM"s
                                             << "D:\\X\\"s
                                             << "D:\\X\\QVEXT.NLM"s;
        QTest::addRow("Linux paths") << "/home/admin/nlm/QVEXT.NLM"s
                                     << "/tmp/out/"s
                                     << "/tmp/out/QVEXT.NLM"s;
        QTest::addRow("source without extension") << "C:\\NLM\\README"s
                                                  << "D:\\"s
                                                  << "D:\\README"s;
        QTest::addRow("empty destination") << "C:\\NLM\\QVEXT.NLM"s
                                           << ""s
                                           << "QVEXT.NLM"s;
    }
    void completeDestName() {
        QFETCH(std::string, source);
        QFETCH(std::string, destination);
        QFETCH(std::string, expected);
        NCP_Ext::CompleteDestName(source, destination);
        QCOMPARE(destination, expected);
    }

    void copiesContents_data() {
        QTest::addColumn<int>("size");
        QTest::addRow("empty") << 0;
        QTest::addRow("one byte") << 1;
        QTest::addRow("one byte short of a block") << 4095;
        QTest::addRow("exactly one block") << 4096;
        QTest::addRow("one byte over a block") << 4097;
        QTest::addRow("two blocks") << 8192;
        QTest::addRow("several megabytes") << 5 * 1024 * 1024 + 17;
    }
    void copiesContents() {
        QFETCH(int, size);
        const QByteArray contents = Pattern(size);
        const std::string source = Path("QVEXT.NLM");
        QVERIFY(WriteWithMode(source, contents.toStdString(), 0640));
        QVERIFY(SetModified(source, 1'700'000'001, 900'000'000));

        QCOMPARE(NCP_Ext::CopyFile(source, Path("out/")), std::uint16_t{0});

        const std::string destination = Path("out/QVEXT.NLM");
        QCOMPARE(ContentsOf(destination).size(), contents.size());
        QVERIFY(ContentsOf(destination) == contents.toStdString());
        QCOMPARE(ModeOf(destination), 0640);
        QCOMPARE(StatusOf(destination).st_mtim.tv_sec, time_t{1'700'000'000});
        QCOMPARE(StatusOf(destination).st_mtim.tv_nsec, 0L);
    }

    void carriesTimeAndMode_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<int>("nanoseconds");
        QTest::addColumn<qint64>("expectedSeconds");
        QTest::addRow("odd second, rounded down")
            << 0644 << qint64{1'000'000'001} << 0 << qint64{1'000'000'000};
        QTest::addRow("even second, fraction dropped")
            << 0600 << qint64{1'000'000'002} << 999'999'999 << qint64{1'000'000'002};
        QTest::addRow("read-only source") << 0444 << qint64{946'684'803} << 1 << qint64{946'684'802};
        QTest::addRow("executable bits") << 0755 << qint64{1'234'567'891} << 500 << qint64{1'234'567'890};
        QTest::addRow("group-writable, set-group-id")
            << 02775 << qint64{1'500'000'000} << 0 << qint64{1'500'000'000};
    }
    void carriesTimeAndMode() {
        QFETCH(int, mode);
        QFETCH(qint64, seconds);
        QFETCH(int, nanoseconds);
        QFETCH(qint64, expectedSeconds);
        const std::string source = Path("SRC.NLM");
        const std::string destination = Path("out/DST.NLM");
        QVERIFY(WriteWithMode(source, "module", static_cast<mode_t>(mode)));
        QVERIFY(SetModified(source, seconds, nanoseconds));
        QVERIFY(WriteWithMode(destination, "older and longer contents", 0666));

        QCOMPARE(NCP_Ext::CopyFile(source, destination), std::uint16_t{0});

        QCOMPARE(ContentsOf(destination), "module"s);
        QCOMPARE(ModeOf(destination), mode);
        QCOMPARE(static_cast<qint64>(StatusOf(destination).st_mtim.tv_sec), expectedSeconds);
        QCOMPARE(StatusOf(destination).st_mtim.tv_nsec, 0L);
    }

    void destinationNames_data() {
        QTest::addColumn<std::string>("sourceName");
        QTest::addColumn<std::string>("destination");
        QTest::addColumn<QString>("arrivesAs");
        QTest::addRow("into a directory") << "QVEXT.NLM"s
                                          << "out/"s
                                          << "QVEXT.NLM";
        QTest::addRow("two dots into a directory") << "A.B.NLM"s
                                                   << "out/"s
                                                   << "A.NLM";
        QTest::addRow("into a directory written with backslash") << "A.B.NLM"s
                                                                 << "out\\"s
                                                                 << "A.NLM";
        QTest::addRow("destination name with leading dot") << "QVEXT.NLM"s
                                                           << "out/.old"s
                                                           << "QVEXT.NLM";
        QTest::addRow("destination name without extension") << "QVEXT.NLM"s
                                                            << "out/COPY"s
                                                            << "COPY";
        QTest::addRow("destination with name and extension") << "QVEXT.NLM"s
                                                             << "out\\COPY.BAK"s
                                                             << "COPY.BAK";
    }
    void destinationNames() {
        QFETCH(std::string, sourceName);
        QFETCH(std::string, destination);
        QFETCH(QString, arrivesAs);
        QVERIFY(WriteBytes(Path(sourceName), "module"));
        QCOMPARE(NCP_Ext::CopyFile(Path(sourceName), Path(destination)), std::uint16_t{0});
        QCOMPARE(Entries("out"), QStringList{arrivesAs});
        QCOMPARE(ContentsOf(Path("out/" + arrivesAs.toStdString())), "module"s);
    }

    void overwritesExistingDestination() {
        const QByteArray contents = Pattern(5000);
        QVERIFY(WriteBytes(Path("QVEXT.NLM"), contents));
        QVERIFY(WriteBytes(Path("out/QVEXT.NLM"), QByteArray(20000, 'x')));
        QCOMPARE(NCP_Ext::CopyFile(Path("QVEXT.NLM"), Path("out/")), std::uint16_t{0});
        QVERIFY(ContentsOf(Path("out/QVEXT.NLM")) == contents.toStdString());
    }

    void failuresLeaveDestinationUntouched_data() {
        QTest::addColumn<QString>("sourceKind");
        QTest::addColumn<std::string>("destination");
        QTest::addColumn<bool>("destinationExists");
        QTest::addRow("missing source, directory") << "missing"
                                                   << "out/"s << false;
        QTest::addRow("missing source, existing file") << "missing"
                                                       << "out/QVEXT.NLM"s << true;
        QTest::addRow("source is a directory") << "directory"
                                               << "out/"s << false;
        QTest::addRow("source is a directory, existing file") << "directory"
                                                              << "out/QVEXT.NLM"s << true;
        QTest::addRow("destination directory missing") << "file"
                                                       << "nowhere/"s << false;
        QTest::addRow("destination below a file") << "file"
                                                  << "QVEXT.NLM/"s << false;
    }
    void failuresLeaveDestinationUntouched() {
        QFETCH(QString, sourceKind);
        QFETCH(std::string, destination);
        QFETCH(bool, destinationExists);
        const std::string source = Path("QVEXT.NLM");
        if (sourceKind == "file")
            QVERIFY(WriteWithMode(source, "module", 0600));
        if (sourceKind == "directory")
            QVERIFY(QDir().mkdir(QString::fromStdString(source)));
        if (destinationExists)
            QVERIFY(WriteWithMode(Path(destination), "old", 0664));
        const QStringList before = Entries("out");

        QCOMPARE(NCP_Ext::CopyFile(source, Path(destination)), NCP_Ext::CopyFailed);

        QCOMPARE(Entries("out"), before);
        QVERIFY(!QFile::exists(QString::fromStdString(Path("nowhere"))));
        if (destinationExists) {
            QCOMPARE(ContentsOf(Path(destination)), "old"s);
            QCOMPARE(ModeOf(Path(destination)), 0664);
        }
    }

    // A directory under the destination's name cannot be created as a file; it keeps its own mode.
    void destinationIsDirectory() {
        QVERIFY(WriteWithMode(Path("QVEXT.NLM"), "module", 0600));
        QVERIFY(QDir().mkdir(QString::fromStdString(Path("out/COPY"))));
        QVERIFY(::chmod(Path("out/COPY").c_str(), 0755) == 0);
        QCOMPARE(NCP_Ext::CopyFile(Path("QVEXT.NLM"), Path("out/COPY")), NCP_Ext::CopyFailed);
        QVERIFY(S_ISDIR(StatusOf(Path("out/COPY")).st_mode));
        QCOMPARE(ModeOf(Path("out/COPY")), 0755);
    }

    // The destination is looked at again before the new contents take its name: what became of it while the
    // blocks were written (made read-only, replaced by a named pipe or a directory) is not replaced, and
    // the temporary file goes.
    void destinationChangedDuringTheCopy_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<NCP_Ext::CopyProblem>("problem");
        QTest::newRow("made read-only") << "read-only" << NCP_Ext::CopyProblem::ReadOnlyDestination;
        QTest::newRow("replaced by a named pipe") << "pipe" << NCP_Ext::CopyProblem::DestinationNotAFile;
        QTest::newRow("replaced by a directory") << "directory" << NCP_Ext::CopyProblem::DestinationNotAFile;
    }
    void destinationChangedDuringTheCopy() {
        QFETCH(QString, change);
        QFETCH(NCP_Ext::CopyProblem, problem);
        const std::string destination = Path("out/QVEXT.NLM");
        QVERIFY(WriteBytes(Path("QVEXT.NLM"), Pattern(3 * 4096)));
        QVERIFY(WriteWithMode(destination, "old", 0644));
        bool changed = false;
        const auto changeOnce = [&](std::uint64_t) {
            if (std::exchange(changed, true))
                return;
            if (change == "read-only")
                ::chmod(destination.c_str(), 0444);
            else if (::unlink(destination.c_str()) == 0)
                change == "pipe" ? ::mkfifo(destination.c_str(), 0644) : ::mkdir(destination.c_str(), 0755);
        };
        NCP_Ext::CopyProblem named = NCP_Ext::CopyProblem::None;
        QCOMPARE(NCP_Ext::CopyFile(Path("QVEXT.NLM"), Path("out/"), named, changeOnce), NCP_Ext::CopyFailed);
        QCOMPARE(named, problem);
        QCOMPARE(QDir(QString::fromStdString(Path("out")))
                     .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("QVEXT.NLM")});
        const mode_t kind = StatusOf(destination).st_mode & S_IFMT;
        QCOMPARE(kind, change == "pipe" ? S_IFIFO : change == "directory" ? S_IFDIR : S_IFREG);
        if (change == "read-only")
            QCOMPARE(ContentsOf(destination), "old"s);
    }

    void readOnlyDestination() {
        if (::geteuid() != 0) {
            const std::string result = ReadOnlyDestinationScenario(Path("out"));
            QVERIFY2(result.empty(), result.c_str());
            return;
        }
        // The child works in "out", so it must be able to pass through the temporary directory.
        QVERIFY(::chmod(dir.c_str(), 0711) == 0);
        const std::string result = RunAsNobody(Path("out"));
        QVERIFY2(result.empty(), result.c_str());
    }

    // Every write onto the full device fails; the device itself keeps its mode and time.
    void failingWrite() {
        const std::string full = "/dev/full";
        if (!S_ISCHR(StatusOf(full).st_mode))
            QSKIP("no /dev/full on this system");
        const struct stat before = StatusOf(full);
        QVERIFY(WriteWithMode(Path("QVEXT.NLM"), Pattern(3 * 4096 + 5).toStdString(), 0600));
        QVERIFY(SetModified(Path("QVEXT.NLM"), 1'000'000'000, 0));
        QCOMPARE(NCP_Ext::CopyFile(Path("QVEXT.NLM"), full), NCP_Ext::CopyFailed);
        const struct stat after = StatusOf(full);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    }

    // A file-size limit stops the writes in the third block: the copy fails, and neither a partial file
    // nor the temporary one is left. The file layer keeps the limit's signal from ending the program.
    void writeStopsPartWay() {
        const QByteArray contents = Pattern(20000);
        QVERIFY(WriteBytes(Path("QVEXT.NLM"), contents));
        rlimit saved{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < 10000)
            QSKIP("file-size limit already below the test's");
        rlimit limited = saved;
        limited.rlim_cur = 10000;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
        const std::uint16_t status = NCP_Ext::CopyFile(Path("QVEXT.NLM"), Path("out/"));
        ::setrlimit(RLIMIT_FSIZE, &saved);

        QCOMPARE(status, NCP_Ext::CopyFailed);
        QCOMPARE(Entries("out"), QStringList{});
    }

    // The process's own memory file fails to read at offset 0: the copy stops, and no destination appears.
    void failingRead() {
        const std::string memory = "/proc/self/mem";
        if (!S_ISREG(StatusOf(memory).st_mode))
            QSKIP("no /proc/self/mem on this system");
        QCOMPARE(NCP_Ext::CopyFile(memory, Path("out/")), NCP_Ext::CopyFailed);
        QCOMPARE(Entries("out"), QStringList{});
    }

    void networkDestination_data() {
        QTest::addColumn<std::string>("source");
        QTest::addColumn<std::string>("destination");
        QTest::addColumn<bool>("copied");
        QTest::addRow("transfer") << "QVEXT.NLM"s
                                  << "\\\\FS1\\SYS\\SYSTEM\\"s << true;
        QTest::addRow("source directory with backslash added") << "nlm\\QVEXT.NLM"s
                                                               << "\\\\FS1\\SYS\\SYSTEM\\"s << true;
        QTest::addRow("server and volume in lower case") << "QVEXT.NLM"s
                                                         << "\\\\fs1\\sys\\SYSTEM\\"s << true;
        QTest::addRow("unknown server") << "QVEXT.NLM"s
                                        << "\\\\FS2\\SYS\\SYSTEM\\"s << false;
        QTest::addRow("climbing out of the volume") << "QVEXT.NLM"s
                                                    << "\\\\FS1\\SYS\\..\\"s << false;
    }
    void networkDestination() {
        QFETCH(std::string, source);
        QFETCH(std::string, destination);
        QFETCH(bool, copied);
        FakeVolumeClient client;
        client.AddVolume("FS1", "SYS", Path("fs1-sys"));
        ScopedClientBinding binding(client);
        QVERIFY(QDir().mkpath(QString::fromStdString(Path("fs1-sys/SYSTEM"))));
        QVERIFY(QDir().mkpath(QString::fromStdString(Path("nlm"))));
        QVERIFY(WriteBytes(Path("nlm/QVEXT.NLM"), "module"));
        QVERIFY(WriteBytes(Path("QVEXT.NLM"), "module"));

        const std::uint16_t expected = copied ? 0 : NCP_Ext::CopyFailed;
        QCOMPARE(NCP_Ext::CopyFile(Path(source), destination), expected);
        QCOMPARE(Entries("fs1-sys/SYSTEM"), copied ? QStringList{"QVEXT.NLM"} : QStringList{});
        QCOMPARE(Entries("fs1-sys"), QStringList{"SYSTEM"});
    }
};

QTEST_GUILESS_MAIN(FileCopyTest)
#include "FileCopyTest.moc"
