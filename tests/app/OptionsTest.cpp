// The command line: what each option sets, the defaults, and every refusal with its reason.
#include <gtest/gtest.h>

#include <sstream>
#include <string_view>
#include <vector>

#include "app/Application.h"
#include "app/Options.h"

namespace stagehand {
namespace {

using Action = ParsedCommandLine::Action;

ParsedCommandLine Parse(std::vector<std::string_view> arguments) {
    return ParseCommandLine(arguments);
}

TEST(Options, WithoutArgumentsPlaysTheProgramsFolderFullScreenAt640x480) {
    const ParsedCommandLine line = Parse({});
    EXPECT_EQ(line.action, Action::kRun);
    EXPECT_EQ(line.options.titleFolder, "");
    EXPECT_FALSE(line.options.window);
    EXPECT_EQ(line.options.screen, (host::Size{640, 480}));
    EXPECT_FALSE(line.options.headless);
    EXPECT_FALSE(line.options.input);
    EXPECT_FALSE(line.options.trace);
}

TEST(Options, EveryOptionSetsItsField) {
    const ParsedCommandLine line = Parse({"--window", "titles/one", "--screen", "800x600",
                                          "--headless", "--input", "in.txt", "--trace", "-"});
    ASSERT_EQ(line.action, Action::kRun) << line.reason;
    EXPECT_EQ(line.options.titleFolder, "titles/one");
    EXPECT_TRUE(line.options.window);
    EXPECT_EQ(line.options.screen, (host::Size{800, 600}));
    EXPECT_TRUE(line.options.headless);
    EXPECT_EQ(line.options.input, "in.txt");
    EXPECT_EQ(line.options.trace, "-");

    // The value may also follow an equals sign.
    const ParsedCommandLine joined = Parse({"--screen=320x200", "--trace=run.log"});
    ASSERT_EQ(joined.action, Action::kRun) << joined.reason;
    EXPECT_EQ(joined.options.screen, (host::Size{320, 200}));
    EXPECT_EQ(joined.options.trace, "run.log");
}

TEST(Options, HeadlessWithoutInputPlaysAnEmptyScript) {
    const ParsedCommandLine line = Parse({"--headless", "t"});
    ASSERT_EQ(line.action, Action::kRun);
    EXPECT_TRUE(line.options.headless);
    EXPECT_FALSE(line.options.input);
}

TEST(Options, ADoubleDashEndsTheOptionsSoAFolderMayStartWithADash) {
    const ParsedCommandLine line = Parse({"--headless", "--", "-odd"});
    ASSERT_EQ(line.action, Action::kRun) << line.reason;
    EXPECT_EQ(line.options.titleFolder, "-odd");
}

TEST(Options, HelpAndVersionStopBeforePlayingAndARefusalWinsOverBoth) {
    EXPECT_EQ(Parse({"--version"}).action, Action::kVersion);
    EXPECT_EQ(Parse({"t", "--help"}).action, Action::kHelp);
    EXPECT_EQ(Parse({"--version", "--help"}).action, Action::kHelp);
    EXPECT_EQ(Parse({"--help", "--bogus"}).action, Action::kRefused);
}

TEST(Options, RefusesBadCommandLinesWithAReasonNamingTheFault) {
    struct Case {
        std::vector<std::string_view> arguments;
        std::string_view reason;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"-w"}, "unknown option -w"},
        {{"-"}, "unknown option -"},
        {{"--window=yes"}, "--window takes no value"},
        {{"--screen"}, "--screen needs a value"},
        {{"--screen="}, "--screen needs a value"},
        {{"--headless", "--input"}, "--input needs a value"},
        {{"--trace"}, "--trace needs a value"},
        {{"--screen", "640"}, "640 is not WIDTHxHEIGHT"},
        {{"--screen", "63x480"}, "63x480"},
        {{"--screen", "640x4097"}, "640x4097"},
        {{"--screen", "640x"}, "640x"},
        {{"--screen", "x480"}, "x480"},
        {{"--screen", "-640x480"}, "-640x480"},
        {{"--screen", "+640x480"}, "+640x480"},
        {{"--screen", "640x480x2"}, "640x480x2"},
        {{"--screen", "640 x480"}, "640 x480"},
        {{"one", "two"}, "two is a second one"},
        {{"--input", "in.txt", "t"}, "--input is only for a run with --headless"},
    };
    for (const Case& c : cases) {
        const ParsedCommandLine line = Parse(c.arguments);
        EXPECT_EQ(line.action, Action::kRefused) << c.reason;
        EXPECT_NE(line.reason.find(c.reason), std::string::npos) << line.reason;
        EXPECT_EQ(line.reason.find('\n'), std::string::npos) << line.reason;
    }
}

TEST(Options, ScreenSidesRunFrom64To4096) {
    EXPECT_EQ(ParseScreenSize("64x64"), (host::Size{64, 64}));
    EXPECT_EQ(ParseScreenSize("4096x4096"), (host::Size{4096, 4096}));
    EXPECT_FALSE(ParseScreenSize("64x63"));
    EXPECT_FALSE(ParseScreenSize("4097x64"));
    EXPECT_FALSE(ParseScreenSize("99999999999x64"));  // past int32
    EXPECT_FALSE(ParseScreenSize(""));
}

TEST(Main, PrintsVersionAndHelpOnStandardOutput) {
    std::ostringstream out, err;
    const std::vector<std::string_view> version{"--version"};
    EXPECT_EQ(CApplication::Main(version, out, err), 0);
    EXPECT_EQ(out.str(), "stagehand " STAGEHAND_VERSION "\n");

    out.str("");
    const std::vector<std::string_view> help{"--help"};
    EXPECT_EQ(CApplication::Main(help, out, err), 0);
    EXPECT_EQ(out.str(), Usage());
    EXPECT_EQ(err.str(), "");
}

TEST(Main, ARefusedCommandLineGivesTheReasonThenTheUsageOnStandardErrorAndExitCode2) {
    std::ostringstream out, err;
    const std::vector<std::string_view> bad{"--headless", "--screen", "10x10"};
    EXPECT_EQ(CApplication::Main(bad, out, err), 2);
    EXPECT_EQ(out.str(), "");
    const std::string text = err.str();
    const std::string first = text.substr(0, text.find('\n'));
    EXPECT_EQ(first,
              "stagehand: the screen size 10x10 is not WIDTHxHEIGHT with each side from 64 to "
              "4096");
    EXPECT_EQ(text.substr(first.size() + 1), Usage());
}

}  // namespace
}  // namespace stagehand
