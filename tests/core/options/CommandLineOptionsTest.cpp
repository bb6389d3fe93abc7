#include "options/CommandLineOptions.h"
#include "mainwindow/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace zarava {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineOptionsTest, DisplayTakesItsOptionsOffAndKeepsTheIssuersWords) {
    const ProgramOptions o = ParseProgramArguments(
        {"--folder", "/srv/q", "B12", "--screenshot=x.png", "C", "--after", "86400"});
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.folder + o.screenshot + o.commandLine, "/srv/qx.pngb12 c");
    EXPECT_EQ(o.after, 86400);
    EXPECT_EQ(ParseProgramArguments({" -TOLV "}).commandLine, "-tolv");
    EXPECT_EQ(ParseProgramArguments({"-tolv", "--", "--folder"}).commandLine, "-tolv --folder");
    EXPECT_EQ(ParseProgramArguments({"--after", "0.25"}).after, 0.25);
    EXPECT_TRUE(ParseProgramArguments({"-tolv", "-h"}).help);
    EXPECT_TRUE(ParseProgramArguments({"--version"}).version);

    const std::pair<Args, std::string> mistakes[] = {
        {{"--fullscreen"}, "unknown option --fullscreen"},
        {{"--folder"}, "--folder needs DIR"},
        {{"--help=1"}, "--help takes no value"},
        {{"--after", "86400.5"},
         "--after needs a number of seconds from 0 to 86400, not '86400.5'"},
    };
    for (const auto& [args, problem] : mistakes) {
        EXPECT_EQ(ParseProgramArguments(args).error, problem);
    }
    for (const char* bad : {"x", "-1", "2s", "1e3", "inf", "nan", ""}) {
        EXPECT_NE(ParseProgramArguments({"--after", bad}).error, "") << bad;
    }
}

struct Sample {
    std::string name, tick, quiet;
};

constexpr OptionRow<Sample> kSampleRows[] = {
    {"--name", "NAME",
     "a name given with a blank or an equals sign, and a help long enough to take two lines "
     "of the help's text",
     KeepText<&Sample::name>},
    {"--quiet", "", "say nothing", KeepText<&Sample::quiet>},
    {"--tick", "MS", "", KeepText<&Sample::tick>}, // for tests only: not in the help
};

ProgramUsage SampleUsage(Operands operands) {
    return {.program = "sample",
            .synopsis = {"[--name NAME] get KEY", "--quiet"},
            .about = "Does nothing.\n",
            .more = "Exit status: 0.\n",
            .operands = operands};
}

TEST(CommandLineOptionsTest, EachProgramSaysWhereItsOtherWordsMayStand) {
    // The program's operands, its words, the problem found and the operands taken.
    const std::tuple<Operands, Args, std::string, Args> cases[] = {
        {Operands::None, {"w"}, "unexpected w", {}},
        {Operands::None, {"--quiet", "--", "w"}, "unexpected w", {}},
        {Operands::AfterEndMark, {"w"}, "unexpected w: put other words after --", {}},
        {Operands::AfterEndMark, {"--", "-x", "w"}, "", {"-x", "w"}},
        {Operands::AfterOptions, {"--name", "a", "get", "--quiet"}, "", {"get", "--quiet"}},
        {Operands::AfterOptions, {"-x", "get"}, "unknown option -x", {}},
        {Operands::Anywhere, {"-tolv", "--quiet", "b1"}, "", {"-tolv", "b1"}},
    };
    for (const auto& [operands, args, problem, taken] : cases) {
        Sample sample;
        const ParsedCommandLine parsed =
            ParseCommandLine(args, SampleUsage(operands), kSampleRows, sample);
        EXPECT_EQ(parsed.problem, problem) << args.front();
        EXPECT_EQ(parsed.operands, taken) << args.front();
    }
    Sample sample;
    const ParsedCommandLine parsed = ParseCommandLine(
        {"--name=x=y", "--tick", "3"}, SampleUsage(Operands::None), kSampleRows, sample);
    EXPECT_EQ(sample.name + sample.tick, "x=y3");
    EXPECT_EQ(parsed.given, (std::vector<std::string_view>{"--name", "--tick"}));
}

TEST(CommandLineOptionsTest, HelpListsTheTableAndAMistakeShowsOnlyTheUsage) {
    const ProgramUsage usage = SampleUsage(Operands::None);
    EXPECT_EQ(UsageErrorText(usage, "unknown option --x"),
              "sample: unknown option --x\n"
              "Usage: sample [--name NAME] get KEY\n"
              "  or:  sample --quiet\n"
              "Try 'sample --help' for more information.\n");
    EXPECT_EQ(HelpText(usage, kSampleRows),
              "Usage: sample [--name NAME] get KEY\n"
              "  or:  sample --quiet\n"
              "\n"
              "Does nothing.\n"
              "\n"
              "Options:\n"
              "  --name NAME  a name given with a blank or an equals sign, and a help long\n"
              "               enough to take two lines of the help's text\n"
              "  --quiet      say nothing\n"
              "  -h, --help   show this help and exit\n"
              "  --version    show the version and exit\n"
              "\n"
              "Exit status: 0.\n");
    EXPECT_EQ(VersionText(usage), "sample " + std::string(ProgramVersion()) + "\n");
}

} // namespace
} // namespace zarava
