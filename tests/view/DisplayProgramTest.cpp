// The display program as the issuer starts it: real processes, offscreen, a real folder.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

TEST(DisplayProgramTest, StateAndScreenshotAfterTheGivenTimeShowTheCalledNumberInItsCell) {
    QTemporaryDir dir;
    // Both rooms in one colour; room 1 has ticket 7 waiting and ticket 5 called to counter 3.
    WriteFile(dir.filePath("zarava.ini"),
              QByteArray(kIni) + "TODAY=20240108\r\n[ZARAVA1 INFOMATION]\r\nSHOP COLOR=1\r\n");
    QDir(dir.path()).mkdir("temp");
    WriteFile(dir.filePath("temp/20240108_1.tmp"),
              "5\t9:00\t9:05\t3\t\x8c\xc4\t\t\t0\t\t\t\r\n7\t9:01\t\t\t\t\t\t1\t\t\t\r\n");
    QElapsedTimer elapsed;
    elapsed.start();
    QProcess p;
    ASSERT_EQ(
        RunDisplay(p, {"--folder", dir.path(), "--after", "1.5", "--state",
                       dir.filePath("state.json"), "--screenshot", dir.filePath("s.png"), "a12"}),
        0)
        << p.readAllStandardError().constData();
    EXPECT_GE(elapsed.elapsed(), 1500);
    const QByteArray out = p.readAllStandardOutput();
    EXPECT_TRUE(out.contains("State written to") && out.contains("Screenshot written to"));

    const QJsonObject state =
        QJsonDocument::fromJson(ReadFile(dir.filePath("state.json"))).object();
    const QJsonObject frame = state["frame"].toObject();
    EXPECT_TRUE(frame["blinkOn"].toBool()) << "written while the called numbers show";
    const QJsonArray windows = state["windows"].toArray();
    ASSERT_EQ(windows.size(), 2);
    const QJsonObject room1 = windows[0].toObject();
    EXPECT_EQ(room1["room"].toInt(), 1);
    EXPECT_EQ(windows[1].toObject()["x"].toInt(), 400);
    EXPECT_EQ(room1["y"].toInt() + room1["height"].toInt(), 800);
    const QJsonObject controls = room1["controls"].toObject();
    const auto picture = [&controls](const char* name) {
        return controls[name].toObject()["picture"].toString().toStdString();
    };
    EXPECT_TRUE(controls["ImgCall(3)"].toObject()["visible"].toBool());
    EXPECT_EQ(picture("ImgCall(2)"), "ImgR_5");
    EXPECT_EQ(picture("ImgCall(5)"), "ImgBr_3");

    // The band on top in the design's background colour; the two rooms share a colour, and a
    // darker border sets them apart.
    const QImage img(dir.filePath("s.png"));
    ASSERT_EQ(img.size(), QSize(800, 800)); // the offscreen screen
    EXPECT_TRUE(Near(img.pixel(2, 2), qRgb(0xF0, 0xF0, 0xF0)));
    const int titleY = room1["y"].toInt() + 10;
    EXPECT_TRUE(Near(img.pixel(390, titleY), qRgb(0xFF, 0x9A, 0xCE)));
    EXPECT_TRUE(Near(img.pixel(410, titleY), qRgb(0xFF, 0x9A, 0xCE)));
    EXPECT_LT(qGray(img.pixel(399, titleY)), 128);
    // The frame ended through its unload: the running mark is cleared again.
    EXPECT_TRUE(ReadFile(dir.filePath("zarava.ini")).contains("FORM=1\r\n"));
}

TEST(DisplayProgramTest, SecondCopyWithoutRoomsEndsAtOnceWhileTheFirstRuns) {
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

    QProcess second; // the state it was asked for is not due: it says so
    EXPECT_EQ(RunDisplay(second, {"--folder", dir.path(), "--state", dir.filePath("s"), "-TOLV"}),
              1);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(second.readAllStandardError().contains("none was written"));
    EXPECT_FALSE(QFile::exists(dir.filePath("s")));
    // On its way out it cleared the mark that the first copy had set.
    EXPECT_TRUE(ReadFile(dir.filePath("zarava.ini")).contains("FORM=1\r\n"));

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

TEST(DisplayProgramTest, MistakesAndAMissingScreenStopBeforeTheFolderIsTouched) {
    QTemporaryDir dir;
    struct Case {
        QStringList args;
        int status;
        QByteArray err;
    };
    const Case cases[] = {
        {{"--folder", dir.filePath("missing"), "-tolv"}, 2, "is not a folder\n"},
        {{"--folder", dir.path(), "--bogus", "-tolv"}, 2, "unknown option --bogus\n"},
        {{"--folder", dir.path(), "-h"}, 0, ""},
        {{"--folder", dir.path(), "-tolv"},
         1,
         "no screen (DISPLAY is not set); to run without "
         "one, set QT_QPA_PLATFORM=offscreen"},
    };
    for (const Case& c : cases) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
            env.remove(variable);
        }
        p.setProcessEnvironment(env);
        p.start(ZARAVA_DISPLAY_PROGRAM, c.args);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), c.status) << c.err.constData();
        const QByteArray err = p.readAllStandardError();
        EXPECT_TRUE(err.contains(c.err)) << err.constData();
        EXPECT_EQ(err.contains("Try 'zarava-display --help'"), c.status == 2);
        if (c.status == 1) {
            EXPECT_EQ(err.count('\n'), 1) << "one line";
        }
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

} // namespace
