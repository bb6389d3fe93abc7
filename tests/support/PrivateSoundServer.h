#pragma once

#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/prctl.h>

namespace zarava::test {

// A sound server of the test's own, reached at Address(), with null outputs (the first is the
// default) described by the given names, so a test hears where a sound went and can stop and
// start the server as a session's server stops, crashes or comes late. Without pulseaudio on
// the machine it never runs.
class PrivateSoundServer {
public:
    PrivateSoundServer(const std::string& folder, QStringList outputs = {"ZaravaTestSink"})
        : folder_(folder), outputs_(std::move(outputs)) {}
    ~PrivateSoundServer() { Stop(); }

    // Starts it and waits until it answers; false when it cannot run here.
    bool Start() {
        const QString program = QStandardPaths::findExecutable("pulseaudio");
        if (program.isEmpty()) {
            return false;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PULSE_RUNTIME_PATH", QString::fromStdString(folder_));
        env.insert("HOME", QString::fromStdString(folder_));
        server_.setProcessEnvironment(env);
        // Gone with the test, even one that crashed: it must not outlive the test holding on
        // to the test runner's output.
        server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        QStringList args{"-n",
                         "--daemonize=no",
                         "--exit-idle-time=-1",
                         "--use-pid-file=no",
                         "--disable-shm=yes",
                         "--log-level=0",
                         "-L",
                         QString::fromStdString("module-native-protocol-unix auth-anonymous=1 "
                                                "socket=" +
                                                Socket())};
        for (int i = 0; i < outputs_.size(); ++i) {
            args << "-L"
                 << QString(
                        "module-null-sink sink_name=out%1 sink_properties=device.description=%2")
                        .arg(i)
                        .arg(outputs_[i]);
        }
        std::filesystem::remove(Socket());
        server_.start(program, args);
        while (!std::filesystem::exists(Socket())) {
            if (server_.waitForFinished(50) || server_.state() == QProcess::NotRunning) {
                return false;
            }
        }
        return true;
    }

    void Stop() {
        server_.kill();
        server_.waitForFinished();
    }

    // What PULSE_SERVER names for clients of this server.
    std::string Address() const { return "unix:" + Socket(); }

    // Makes the output of that number the default, as a user does in the desktop's settings;
    // false without pactl.
    bool ChooseOutput(int number) const {
        const QString pactl = QStandardPaths::findExecutable("pactl");
        return !pactl.isEmpty() &&
               QProcess::execute(pactl, {"--server", QString::fromStdString(Address()),
                                         "set-default-sink", QString("out%1").arg(number)}) == 0;
    }

private:
    std::string Socket() const { return folder_ + "/sound"; }

    std::string folder_;
    QStringList outputs_;
    QProcess server_;
};

} // namespace zarava::test
