#include "Deskmap/App/SingleInstance.hpp"
#include "Deskmap/App/TerminationSignals.hpp"

#include <gtest/gtest.h>

#include <QDir>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace deskmap::app {
namespace {

class SingleInstanceTest : public testing::Test {
protected:
    QString directory(const QString& name, mode_t mode = 0700) const {
        const QString path = QDir(root.path()).filePath(name);
        ::mkdir(QFile::encodeName(path).constData(), mode);
        ::chmod(QFile::encodeName(path).constData(), mode);
        return path;
    }
    QString socketPath() const {
        QString error;
        const QString path = SingleInstance::socketPathFor({directory(QStringLiteral("run"))}, ":0",
                                                           ::getuid(), error);
        EXPECT_FALSE(path.isEmpty()) << error.toStdString();
        return path;
    }

    QTemporaryDir root;
};

TEST_F(SingleInstanceTest, ALaunchAfterCloseOrACrashListensItself) {
    const QString path = socketPath();
    QString error;
    {
        SingleInstance quitting(path, ::getuid());
        ASSERT_EQ(quitting.claim(error), SingleInstance::Claim::listening);
        quitting.close(); // quitting has started
        SingleInstance relaunch(path, ::getuid());
        EXPECT_EQ(relaunch.claim(error), SingleInstance::Claim::listening) << error.toStdString();
    }
    // A socket file that nobody listens on, as a crash leaves it.
    const int left = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()));
    ASSERT_EQ(::bind(left, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(left);
    SingleInstance afterCrash(path, ::getuid());
    EXPECT_EQ(afterCrash.claim(error), SingleInstance::Claim::listening) << error.toStdString();
}

TEST_F(SingleInstanceTest, APeerOfAnotherUserIsNeitherObeyedNorTrusted) {
    const QString path = socketPath();
    QString error;
    // As seen by an instance of another user, this test's process is foreign.
    {
        SingleInstance running(path, ::getuid() + 1);
        QSignalSpy shown(&running, &SingleInstance::showRequested);
        ASSERT_EQ(running.claim(error), SingleInstance::Claim::listening);
        QLocalSocket stranger;
        stranger.connectToServer(path);
        ASSERT_TRUE(stranger.waitForConnected(2000));
        stranger.write("show\n");
        stranger.flush();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return stranger.state() == QLocalSocket::UnconnectedState; }, 5000))
            << "the connection of another user is dropped";
        EXPECT_EQ(shown.count(), 0);
    }
    // A socket held by another user's process is no running Deskmap of ours.
    SingleInstance squatter(path, ::getuid());
    ASSERT_EQ(squatter.claim(error), SingleInstance::Claim::listening);
    SingleInstance launch(path, ::getuid() + 1);
    EXPECT_EQ(launch.claim(error), SingleInstance::Claim::failed);
    EXPECT_TRUE(error.contains(QStringLiteral("another user"))) << error.toStdString();
}

TEST_F(SingleInstanceTest, TheSocketLivesOnlyInADirectoryThatIsTheUsersAlone) {
    const QString mine = directory(QStringLiteral("mine"));
    const QString open = directory(QStringLiteral("open"), 0777);
    const QString link = QDir(root.path()).filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(mine, link));
    QString error;

    // Another user's directory (as seen by that user's id), one open to
    // everyone, and a link are passed over for the next candidate.
    const QString squatted = directory(QStringLiteral("squatted"));
    EXPECT_EQ(SingleInstance::socketPathFor({squatted}, ":0", ::getuid() + 1, error), QString());
    EXPECT_TRUE(error.contains(QStringLiteral("belongs to another user"))) << error.toStdString();
    EXPECT_EQ(SingleInstance::socketPathFor({open, link}, ":0", ::getuid(), error), QString());
    EXPECT_TRUE(error.contains(QStringLiteral("open to other users"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("not a directory"))) << error.toStdString();
    const QString fresh = QDir(root.path()).filePath(QStringLiteral("fresh"));
    const QString chosen = SingleInstance::socketPathFor({open, fresh}, ":0", ::getuid(), error);
    EXPECT_TRUE(chosen.startsWith(fresh + QLatin1Char('/'))) << chosen.toStdString();
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u) << "a directory it makes is private";

    // Each display of the user has an instance of its own.
    const QString first = SingleInstance::socketPathFor({mine}, ":0", ::getuid(), error);
    const QString second = SingleInstance::socketPathFor({mine}, ":1", ::getuid(), error);
    const QString odd =
        SingleInstance::socketPathFor({mine}, QString(300, QLatin1Char('/')), ::getuid(), error);
    EXPECT_NE(first, second);
    EXPECT_FALSE(odd.isEmpty());
    EXPECT_FALSE(odd.mid(mine.size() + 1).contains(QLatin1Char('/')));
}

TEST(TerminationSignals, EachQuittingSignalIsToldOnTheEventLoopAndDefaultsComeBack) {
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        {
            TerminationSignals signals;
            QSignalSpy received(&signals, &TerminationSignals::received);
            ASSERT_EQ(::raise(number), 0);
            EXPECT_TRUE(QTest::qWaitFor([&] { return received.count() == 1; }, 5000))
                << "signal " << number;
        }
        struct sigaction current {};
        ::sigaction(number, nullptr, &current);
        EXPECT_EQ(current.sa_handler, SIG_DFL) << "signal " << number;
    }
}

} // namespace
} // namespace deskmap::app
