// The zarava-settings tool as scripts use it: its output bytes, the file it leaves, its exit
// codes.

#include "PausingClock.h"
#include "TempFolder.h"

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace zarava {
namespace {

using test::TempFolder;

struct ToolRun {
    int exitCode = -1;
    std::string out, err;
};

class SettingsToolTest : public ::testing::Test {
protected:
    // Runs the tool in the temporary folder, so that its default file is the folder's; the
    // arguments are shell words.
    ToolRun Tool(const std::string& args) {
        const std::string command =
            "cd " + folder.Path() + " && " ZARAVA_SETTINGS_TOOL " " + args + " 2>.err";
        ToolRun run;
        FILE* out = ::popen(command.c_str(), "r");
        for (int c; (c = std::fgetc(out)) != EOF;) {
            run.out += static_cast<char>(c);
        }
        const int status = ::pclose(out);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.err = folder.Read(".err");
        std::remove(folder.File(".err").c_str());
        return run;
    }

    TempFolder folder;
    std::string file = folder.File("zarava.ini");
};

TEST_F(SettingsToolTest, GetPrintsTheValueInUtf8AndANewline) {
    // 番窓口 in code page 932, quoted in the file.
    folder.Write("zarava.ini",
                 "[DISPLAY INFOMATION]\r\nCOUNTER = \"\x94\xd4\x91\x8b\x8c\xfb\"\r\nE=\r\n");
    ToolRun run = Tool("get 'display infomation' counter");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "番窓口\n");
    for (const char* key : {"E", "MISSING"}) {
        run = Tool("--file " + file + " get 'DISPLAY INFOMATION' " + key);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, "\n") << key;
    }
}

TEST_F(SettingsToolTest, SetWritesCodePage932AndKeepsTheRest) {
    folder.Write("zarava.ini",
                 "; issuer\r\n[DAZUZE INFOMATION]\r\nDAZUZE1=x\r\n\r\n[USER INFOMATION]\r\n");
    EXPECT_EQ(Tool("--file=" + file + " set 'dazuze infomation' DAZUZE1 内科").exitCode, 0);
    EXPECT_EQ(Tool("set 'USER INFOMATION' FORM -5").exitCode, 0);
    EXPECT_EQ(folder.Read("zarava.ini"),
              "; issuer\r\n[DAZUZE INFOMATION]\r\nDAZUZE1=\x93\xe0\x89\xc8\r\n"
              "\r\n[USER INFOMATION]\r\nFORM=-5\r\n");
    EXPECT_EQ(Tool("get 'DAZUZE INFOMATION' DAZUZE1").out, "内科\n");
}

TEST_F(SettingsToolTest, ExitCodesTellUsageErrorsFromValuesThatCannotBeWritten) {
    for (const char* args :
         {"", "get S", "set S K", "get S K X", "--file", "--verbose get S K", "put S K",
          // Names that could never be read back from the file.
          "set '[S' K 1", "set S ' ;K' 1", "set S K=1 2", "set A]B K 1", "get 'S=' K",
          "set S \"$(printf 'K\\r')\" 1", "set \"$(printf 'A\\nB')\" K 1",
          "set S \"$(printf '\\tK')\" 1"}) {
        const ToolRun run = Tool(args);
        EXPECT_EQ(run.exitCode, 2) << args;
        EXPECT_NE(run.err.find("Usage: zarava-settings"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    const ToolRun help = Tool("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: zarava-settings", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(file)) << "nothing written by a usage error";

    std::filesystem::create_directory(file);
    EXPECT_EQ(Tool("set S K 1").exitCode, 1);
    EXPECT_EQ(Tool("--file x.ini set S K \xF0\x9F\x98\x80").exitCode, 1);
}

TEST_F(SettingsToolTest, TheDefaultFileIsFoundWhateverTheCaseOfItsName) {
    folder.Write("Zarava.INI", "[S]\r\nK=1\r\n");
    EXPECT_EQ(Tool("get S K").out, "1\n");
    EXPECT_EQ(Tool("set S K 2").exitCode, 0);
    EXPECT_EQ(folder.Read("Zarava.INI"), "[S]\r\nK=2\r\n");
    EXPECT_FALSE(std::filesystem::exists(file));
}

} // namespace
} // namespace zarava
