// The zarava-settings tool as scripts use it: its output bytes, the file it leaves, its exit
// codes.

#include "SettingsTestSupport.h"

#include <spawn.h>
#include <sys/wait.h>

#include <fcntl.h>

#include <string>
#include <vector>

extern char** environ;

namespace zarava {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class SettingsToolTest : public ::testing::Test {
protected:
    // Runs the tool in the temporary folder, so that its default file is the folder's.
    ToolRun Tool(const std::vector<std::string>& args) {
        const std::string outPath = folder.File(".out");
        const std::string errPath = folder.File(".err");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, folder.Path().c_str());
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        std::vector<std::string> argv = {ZARAVA_SETTINGS_TOOL};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargs;
        for (std::string& a : argv) {
            cargs.push_back(a.data());
        }
        cargs.push_back(nullptr);
        ToolRun run;
        pid_t pid = 0;
        if (posix_spawn(&pid, ZARAVA_SETTINGS_TOOL, &actions, nullptr, cargs.data(), environ) ==
            0) {
            int status = 0;
            waitpid(pid, &status, 0);
            run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        run.out = ReadBytes(outPath).value_or("");
        run.err = ReadBytes(errPath).value_or("");
        std::remove(outPath.c_str());
        std::remove(errPath.c_str());
        return run;
    }

    TempFolder folder;
    std::string file = folder.File("zarava.ini");
};

TEST_F(SettingsToolTest, GetPrintsTheValueInUtf8AndANewline) {
    // 番窓口 in code page 932, quoted in the file.
    WriteBytes(file, "[DISPLAY INFOMATION]\r\nCOUNTER = \"\x94\xd4\x91\x8b\x8c\xfb\"\r\nE=\r\n");
    ToolRun run = Tool({"get", "display infomation", "counter"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "番窓口\n");

    for (const char* key : {"E", "MISSING"}) {
        run = Tool({"--file", file, "get", "DISPLAY INFOMATION", key});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, "\n") << key;
    }
}

TEST_F(SettingsToolTest, SetWritesCodePage932AndKeepsTheRest) {
    WriteBytes(file, "; issuer\r\n[DAZUZE INFOMATION]\r\nDAZUZE1=x\r\n\r\n[USER INFOMATION]\r\n");
    ToolRun run = Tool({"--file=" + file, "set", "dazuze infomation", "DAZUZE1", "内科"});
    EXPECT_EQ(run.exitCode, 0);
    run = Tool({"set", "USER INFOMATION", "FORM", "-5"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(ReadBytes(file), "; issuer\r\n[DAZUZE INFOMATION]\r\nDAZUZE1=\x93\xe0\x89\xc8\r\n"
                               "\r\n[USER INFOMATION]\r\nFORM=-5\r\n");
    EXPECT_EQ(Tool({"get", "DAZUZE INFOMATION", "DAZUZE1"}).out, "内科\n");
}

TEST_F(SettingsToolTest, ExitsWithOneWhenTheValueCannotBeWritten) {
    std::filesystem::create_directory(file);
    EXPECT_EQ(Tool({"set", "S", "K", "1"}).exitCode, 1);
    EXPECT_EQ(Tool({"--file", folder.File("x.ini"), "set", "S", "K", "\xF0\x9F\x98\x80"}).exitCode,
              1);
}

TEST_F(SettingsToolTest, UsageErrorsExitWithTwoAndExplain) {
    const std::vector<std::vector<std::string>> bad = {{},
                                                       {"get", "S"},
                                                       {"set", "S", "K"},
                                                       {"get", "S", "K", "X"},
                                                       {"--file"},
                                                       {"--verbose", "get", "S", "K"},
                                                       {"put", "S", "K"}};
    for (const auto& args : bad) {
        const ToolRun run = Tool(args);
        EXPECT_EQ(run.exitCode, 2) << args.size();
        EXPECT_NE(run.err.find("Usage: zarava-settings"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    const ToolRun help = Tool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: zarava-settings", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(file)) << "nothing written by a usage error";
}

} // namespace
} // namespace zarava
