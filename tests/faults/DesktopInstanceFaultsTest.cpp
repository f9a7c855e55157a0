// The desktop program's single instance against another local user: a socket folder planted first,
// a program of someone else listening at the program's name, rows sent by someone else. Nothing is
// handed to a stranger or taken from one, and the program starts as if none ran.
#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <vector>

#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "tests/faults/FaultFixture.h"
#include "tests/support/EventLoop.h"

namespace qm::test {
namespace {

using namespace std::chrono_literals;

constexpr uid_t kStranger = 65534; // nobody

class DesktopInstance : public FaultCase
{
protected:
    void SetUp() override
    {
        FaultCase::SetUp();
        ASSERT_TRUE(QDir().mkpath(home()));
        ASSERT_TRUE(QDir().mkpath(temporary()));
    }
    void TearDown() override
    {
        for (const auto& process : processes) {
            if (process->state() == QProcess::NotRunning)
                continue;
            ::kill(pid_t(process->processId()), SIGTERM);
            if (!waitForSignal(process.get(), &QProcess::finished, 60s))
                process->kill();
            process->waitForFinished(5000);
        }
    }

    QString temporary() const { return dir.filePath("tmp"); }
    // The socket's name in a runtime folder: the program's, for this app home.
    QString socketName() const
    {
        return "quillmark-"
            + QCryptographicHash::hash(QDir(home()).absolutePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    }
    QStringList environment(const QString& runtime) const
    {
        return { "QT_QPA_PLATFORM=offscreen", "QUILLMARK_HOME=" + home(), "XDG_RUNTIME_DIR=" + runtime,
            "TMPDIR=" + temporary() };
    }
    QProcess& startDesktop(const QStringList& environment, const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : environment)
            env.insert(entry.section('=', 0, 0), entry.section('=', 1));
        process->setProcessEnvironment(env);
        QProcess* raw = process.get();
        QObject::connect(
            raw, &QProcess::readyReadStandardError, [this, raw] { errors[raw] += raw->readAllStandardError(); });
        process->start(Binary(), arguments);
        processes.push_back(std::move(process));
        return *raw;
    }
    // Runs the event loop until the program has said `text` on stderr.
    bool waitForError(QProcess& process, const QByteArray& text)
    {
        if (errors[&process].contains(text))
            return true;
        LoopRunner loop;
        const auto said = QObject::connect(&process, &QProcess::readyReadStandardError, [&] {
            if (errors[&process].contains(text))
                loop.done();
        });
        const auto ended = QObject::connect(&process, &QProcess::finished, [&] { loop.done(); });
        const bool ok = loop.run(60s) && errors[&process].contains(text);
        QObject::disconnect(said);
        QObject::disconnect(ended);
        return ok;
    }

    std::vector<std::unique_ptr<QProcess>> processes;
    QHash<QProcess*, QByteArray> errors;
};

// Another user made the runtime folder's name first (here: a link to a folder of theirs, with a
// program listening in it). The program does not use it: it says why and starts on its own.
TEST_F(DesktopInstance, ARuntimeFolderPlantedFirstIsNotUsed)
{
    const QString theirs = dir.filePath("theirs");
    ASSERT_TRUE(QDir().mkpath(theirs));
    ASSERT_TRUE(QFile::setPermissions(theirs, QFile::Permissions(0x7777)));
    const QString planted = temporary() + QStringLiteral("/runtime-quillmark-%1").arg(::getuid());
    ASSERT_TRUE(QFile::link(theirs, planted));
    QLocalServer listener;
    ASSERT_TRUE(listener.listen(theirs + "/" + socketName())) << listener.errorString().toStdString();
    int connections = 0;
    QObject::connect(&listener, &QLocalServer::newConnection, [&] { ++connections; });

    QProcess& desktop = startDesktop(environment(""), { "/srv/page.html" });
    ASSERT_TRUE(waitForError(desktop, "a second start will not find this one")) << errors[&desktop].toStdString();
    EXPECT_TRUE(errors[&desktop].contains(planted.toUtf8() + " is not a folder of this user's alone (a link)"))
        << errors[&desktop].toStdString();
    EXPECT_TRUE(errors[&desktop].contains("starting here")) << errors[&desktop].toStdString();
    EXPECT_EQ(desktop.state(), QProcess::Running) << "the program ended instead of starting";
    EXPECT_EQ(connections, 0);
    EXPECT_FALSE(listener.hasPendingConnections());
}

// A program of another user listens at the name first: the program hands it nothing and takes the
// name; rows that user sends are refused; a second start of this user's own hands its rows over.
TEST_F(DesktopInstance, RowsGoOnlyToAndComeOnlyFromThisUsersOwnProgram)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    const QString runtime = dir.filePath("run");
    ASSERT_TRUE(QDir().mkpath(runtime));
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0700), 0);
    const QString path = runtime + "/" + socketName();
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(QFile::encodeName(path).size()), sizeof address.sun_path);
    std::strcpy(address.sun_path, QFile::encodeName(path).constData());

    // The stranger's program: bound here by root, listening as the stranger (whose it is from then on).
    const int listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listening, 0);
    ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::seteuid(kStranger), 0);
    const int listened = ::listen(listening, 4);
    ASSERT_EQ(::seteuid(0), 0);
    ASSERT_EQ(listened, 0);
    QLocalServer stranger;
    ASSERT_TRUE(stranger.listen(qintptr(listening)));
    QByteArray handed;
    int connections = 0;
    QObject::connect(&stranger, &QLocalServer::newConnection, [&] {
        while (QLocalSocket* socket = stranger.nextPendingConnection()) {
            ++connections;
            QObject::connect(socket, &QLocalSocket::readyRead, [&, socket] { handed += socket->readAll(); });
        }
    });

    QProcess& first = startDesktop(environment(runtime), { "/srv/first.html" });
    ASSERT_TRUE(waitForError(first, "starting here")) << errors[&first].toStdString();
    EXPECT_TRUE(errors[&first].contains("runs as user 65534, not as this user")) << errors[&first].toStdString();
    EXPECT_FALSE(errors[&first].contains("a second start will not find this one")) << errors[&first].toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);

    // The stranger sends rows: connected as the stranger (the folder is reached as root).
    {
        ASSERT_EQ(::seteuid(kStranger), 0);
        ::setfsuid(0);
        const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int connected = ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ASSERT_EQ(::seteuid(0), 0);
        ASSERT_EQ(connected, 0) << std::strerror(errno);
        QByteArray rows;
        QDataStream out(&rows, QIODevice::WriteOnly);
        out << QStringList { "https://stranger.example/" };
        EXPECT_EQ(::write(client, rows.constData(), size_t(rows.size())), rows.size());
        ::close(client);
    }
    ASSERT_TRUE(waitForError(first, "rows from user 65534 were refused")) << errors[&first].toStdString();

    // This user's second start finds the first one and hands its row over.
    const ProgramRun second = RunProgram({ "/srv/second.html" }, environment(runtime), {}, 60s);
    ASSERT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_FALSE(second.err.contains("starting here")) << second.err.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(handed, QByteArray()) << "rows reached the stranger";
    EXPECT_LE(connections, 1);
}

} // namespace
} // namespace qm::test
