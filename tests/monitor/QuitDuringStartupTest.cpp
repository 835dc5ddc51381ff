#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// Without a display nobody sees a message box, so its text must reach
// standard error; and a request to quit that arrives while a box of the
// start-up is open ends the program as at any other time.
TEST(QuitDuringStartup, BoxIsToldOnStandardErrorAndSigtermEndsWithZero)
{
    QTemporaryDir world;
    const QString config = world.filePath("config");
    ASSERT_TRUE(QDir().mkpath(config));
    ASSERT_TRUE(QDir().mkpath(world.filePath("work")));
    {
        // A file where the settings folder belongs: the start-up cannot store.
        QFile blocker(config + "/Halvetor");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("HOME", world.path());
    environment.insert("XDG_CONFIG_HOME", config);
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(world.filePath("work"));
    program.setReadChannel(QProcess::StandardError);
    program.start(QUORVANE_PROGRAM, {});
    ASSERT_TRUE(program.waitForStarted(5000));

    QByteArray told;
    QElapsedTimer clock;
    clock.start();
    while (!told.contains("Quorvane.conf") && clock.elapsed() < 5000 && program.state() == QProcess::Running) {
        program.waitForReadyRead(200);
        told += program.readAllStandardError();
    }
    EXPECT_TRUE(told.contains("Cannot store the setting \"interval\"")) << told.toStdString();
    EXPECT_TRUE(told.contains(QFile::encodeName(config + "/Halvetor/Quorvane.conf"))) << told.toStdString();

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

}
