// The display program as the issuer starts it: real processes, offscreen, a real folder.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const QByteArray kIni = "[DAZUZE INFOMATION]\r\nSHINSATSU=5\r\nDAZUZE1=Room one\r\n"
                        "DAZUZE2=Room two\r\n[USER INFOMATION]\r\nFORM=1\r\n";

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Starts the display offscreen, as itself or through another program (setpriv).
void StartDisplay(QProcess& p, QStringList args, QStringList through = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    args.prepend(ZARAVA_DISPLAY_PROGRAM);
    if (through.isEmpty()) {
        p.start(args.takeFirst(), args);
    } else {
        p.start(through.takeFirst(), through + args);
    }
}

int RunDisplay(QProcess& p, const QStringList& args) {
    StartDisplay(p, args);
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    return p.exitCode();
}

bool Near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 8 && std::abs(qGreen(a) - qGreen(b)) < 8 &&
           std::abs(qBlue(a) - qBlue(b)) < 8;
}

TEST(DisplayProgramTest, ScreenshotShowsTheBandAndTheRoomsInTheirCells) {
    QTemporaryDir dir;
    WriteFile(dir.filePath("zarava.ini"), kIni);
    const QString shot = dir.filePath("shot.png");
    QProcess p;
    ASSERT_EQ(RunDisplay(p, {"--folder", dir.path(), "--screenshot", shot, "a21"}), 0)
        << p.readAllStandardError().constData();
    EXPECT_TRUE(p.readAllStandardOutput().contains("Screenshot written to"));

    const QImage img(shot);
    ASSERT_FALSE(img.isNull());
    ASSERT_EQ(img.size(), QSize(800, 800)); // the offscreen screen
    // The band on top in the design's background colour.
    EXPECT_TRUE(Near(img.pixel(2, 2), qRgb(0xF0, 0xF0, 0xF0)));
    // Two rooms tile side by side: room 1 (pink title band) left, room 2 (blue) right, both
    // just below the band.
    const int titleY = 44 * 800 / 768 + 6;
    EXPECT_TRUE(Near(img.pixel(10, titleY), qRgb(0xFF, 0x9A, 0xCE)));
    EXPECT_TRUE(Near(img.pixel(790, titleY), qRgb(0x63, 0x65, 0xFF)));
    // The frame ended through its unload: the running mark is cleared again.
    EXPECT_TRUE(ReadFile(dir.filePath("zarava.ini")).contains("FORM=1\r\n"));
    EXPECT_TRUE(QDir(dir.filePath("Temp")).exists());
}

TEST(DisplayProgramTest, SecondCopyWithoutRoomsEndsSilentlyWhileTheFirstRuns) {
    QTemporaryDir dir;
    WriteFile(dir.filePath("zarava.ini"), kIni);
    QProcess first;
    StartDisplay(first, {"--folder", dir.path(), "b1"});
    ASSERT_TRUE(first.waitForStarted());
    // The first copy is up once it has set its running mark.
    for (int i = 0; i < 100 && !ReadFile(dir.filePath("zarava.ini")).contains("FORM=5"); ++i) {
        QThread::msleep(50);
    }
    ASSERT_TRUE(ReadFile(dir.filePath("zarava.ini")).contains("FORM=5"));

    QProcess second;
    EXPECT_EQ(RunDisplay(second, {"--folder", dir.path(), "-TOLV"}), 0);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    // On its way out it cleared the mark that the first copy had set.
    EXPECT_TRUE(ReadFile(dir.filePath("zarava.ini")).contains("FORM=1\r\n"));

    QProcess third; // with room digits a further copy runs
    EXPECT_EQ(
        RunDisplay(third, {"--folder", dir.path(), "--screenshot", dir.filePath("t.png"), "a2"}),
        0);
    EXPECT_TRUE(QFile::exists(dir.filePath("t.png")));

    // Stopped by the system, the first copy still closes properly and clears its mark.
    WriteFile(dir.filePath("zarava.ini"), QByteArray(kIni).replace("FORM=1", "FORM=7"));
    first.terminate();
    EXPECT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_TRUE(ReadFile(dir.filePath("zarava.ini")).contains("FORM=3\r\n"));
}

TEST(DisplayProgramTest, UnwritableFolderStopsAfterTheMessageAndLeavesTheFolderAlone) {
    if (geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty()) {
        GTEST_SKIP() << "needs root and setpriv to run the display as an unprivileged user";
    }
    QTemporaryDir dir; // owned by root: the unprivileged display cannot write in it
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                          QFile::ExeOther);
    WriteFile(dir.filePath("zarava.ini"), kIni);
    QProcess p;
    StartDisplay(p, {"--folder", dir.path(), "a1"},
                 {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    ASSERT_TRUE(p.waitForStarted());
    // The message box waits for its OK; being stopped answers it, and the display ends as
    // it does after the OK.
    EXPECT_FALSE(p.waitForFinished(1500));
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"zarava.ini"});
    EXPECT_EQ(ReadFile(dir.filePath("zarava.ini")), kIni);
}

TEST(DisplayProgramTest, UsageErrorsStopBeforeTheFolderIsTouched) {
    QTemporaryDir dir;
    QProcess p;
    EXPECT_EQ(RunDisplay(p, {"--folder", dir.filePath("missing"), "-tolv"}), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("not a folder"));
    QProcess q;
    EXPECT_EQ(RunDisplay(q, {"--folder", dir.path(), "--bogus", "-tolv"}), 2);
    EXPECT_TRUE(q.readAllStandardError().contains("unknown option --bogus"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

} // namespace
