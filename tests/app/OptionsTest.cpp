// The command line: what each option sets, the defaults, and every refusal with its reason.
#include <gtest/gtest.h>

#include <sstream>
#include <string_view>
#include <tuple>
#include <vector>

#include "app/Application.h"
#include "app/Options.h"

namespace stagehand {
namespace {

using Action = ParsedCommandLine::Action;

ParsedCommandLine Parse(std::vector<std::string_view> arguments) {
    return ParseCommandLine(arguments);
}

// Without arguments: the program's folder, full screen at 640x480, no trace. A value may
// follow its option or an equals sign; screen sides run from 64 to 4096; a double dash ends
// the options. Headless without input plays an empty script.
TEST(Options, EachOptionSetsItsFieldAndTheRestKeepTheirDefaults) {
    struct Case {
        std::vector<std::string_view> arguments;
        PlayerOptions expected;
    };
    const Case cases[] = {
        {{}, {"", false, {640, 480}, false, {}, {}, {}, {}, {}}},
        {{"--window", "titles/one", "--screen", "4096x64", "--headless", "--input", "in.txt",
          "--trace", "-", "--cd", "disc", "--audio-out", "a.wav", "--save-dir", "saves",
          "--allow-programs"},
         {"titles/one", true, {4096, 64}, true, "in.txt", "-", "disc", "a.wav", "saves", true}},
        {{"--library", "--window"},
         {"", true, {640, 480}, false, {}, {}, {}, {}, {}, false, false, {}, true}},
        {{"--screen=64x4096", "--trace=run.log"},
         {"", false, {64, 4096}, false, {}, "run.log", {}, {}, {}}},
        {{"--headless", "t", "--audio-out=s.wav"},
         {"t", false, {640, 480}, true, {}, {}, {}, "s.wav", {}}},
        {{"--headless", "--", "-odd"}, {"-odd", false, {640, 480}, true, {}, {}, {}, {}, {}}},
        {{"--fullscreen", "--scale", "integer"},
         {"",
          false,
          {640, 480},
          false,
          {},
          {},
          {},
          {},
          {},
          false,
          true,
          host::ScaleMode::kInteger}},
        {{"--window", "--scale=nearest"},
         {"",
          true,
          {640, 480},
          false,
          {},
          {},
          {},
          {},
          {},
          false,
          false,
          host::ScaleMode::kNearest}},
    };
    auto fields = [](const PlayerOptions& o) {
        return std::tie(o.titleFolder, o.window, o.screen, o.headless, o.input, o.trace, o.cd,
                        o.audioOut, o.saveDir, o.allowPrograms, o.fullscreen, o.scale, o.library);
    };
    for (const Case& c : cases) {
        const ParsedCommandLine line = Parse(c.arguments);
        ASSERT_EQ(line.action, Action::kRun) << line.reason;
        EXPECT_EQ(fields(line.options), fields(c.expected)) << c.arguments.size() << " arguments";
    }
}

TEST(Options, HelpAndVersionStopBeforePlayingAndARefusalWinsOverBoth) {
    EXPECT_EQ(Parse({"--version"}).action, Action::kVersion);
    EXPECT_EQ(Parse({"t", "--help"}).action, Action::kHelp);
    EXPECT_EQ(Parse({"--version", "--help"}).action, Action::kHelp);
    EXPECT_EQ(Parse({"--help", "--bogus"}).action, Action::kRefused);
    EXPECT_EQ(Parse({"--check", "t", "--cd", "d"}).action, Action::kCheck);
    EXPECT_EQ(Parse({"--check", "--help"}).action, Action::kHelp);
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
        {{"--cd="}, "--cd needs a value"},
        {{"--audio-out", "a.wav"}, "--audio-out is only for a run with --headless"},
        {{"--headless", "--audio-out"}, "--audio-out needs a value"},
        {{"--screen", "640"}, "640 is not WIDTHxHEIGHT"},
        {{"--screen", "63x480"}, "63x480"},
        {{"--screen", "640x4097"}, "640x4097"},
        {{"--screen", "4097x64"}, "4097x64"},
        {{"--screen", "64x63"}, "64x63"},
        {{"--screen", "99999999999x64"}, "99999999999x64"},
        {{"--screen", "640x"}, "640x"},
        {{"--screen", "x480"}, "x480"},
        {{"--screen", "-640x480"}, "-640x480"},
        {{"--screen", "+640x480"}, "+640x480"},
        {{"--screen", "640x480x2"}, "640x480x2"},
        {{"--screen", "640 x480"}, "640 x480"},
        {{"one", "two"}, "two is a second one"},
        {{"--input", "in.txt", "t"}, "--input is only for a run with --headless"},
        {{"--check", "--headless"}, "--headless is for playing a title, not for --check"},
        {{"--window", "--check"}, "--window is for playing a title, not for --check"},
        {{"--check", "--allow-programs"}, "--allow-programs is for playing a title"},
        {{"--check", "--scale=smooth"}, "--scale is for playing a title"},
        {{"--scale", "Sharp"},
         "the scaling Sharp is not one of sharp, nearest, smooth and integer"},
        {{"--scale"}, "--scale needs a value"},
        {{"--fullscreen", "--window"}, "--window and --fullscreen cannot both be had"},
        {{"--library", "t"}, "--library opens the library, not the title folder t"},
        {{"--check", "--library"}, "--library is for playing a title, not for --check"},
    };
    for (const Case& c : cases) {
        const ParsedCommandLine line = Parse(c.arguments);
        EXPECT_EQ(line.action, Action::kRefused) << c.reason;
        EXPECT_NE(line.reason.find(c.reason), std::string::npos) << line.reason;
        EXPECT_EQ(line.reason.find('\n'), std::string::npos) << line.reason;
    }
}

// The usage names every option the parser takes.
TEST(Usage, NamesEveryOption) {
    const std::string usage(Usage());
    for (const char* option :
         {"--window", "--screen WxH", "--cd DIR", "--headless", "--input FILE", "--trace FILE|-",
          "--audio-out FILE", "--save-dir DIR", "--allow-programs", "--check", "--version",
          "--help", "--fullscreen", "--scale MODE", "--library"}) {
        EXPECT_NE(usage.find(std::string("  ") + option + " "), std::string::npos) << option;
    }
}

// Version and help print on standard output and exit with 0; a refusal prints its reason and
// the one line pointing at --help on standard error, never the whole usage, and exits with 2.
TEST(Main, AnswersWithoutPlayingOnTheRightStreamWithItsExitCode) {
    const std::string usage(Usage());
    const std::string tryHelp = std::string(kTryHelp) + "\n";
    struct Case {
        std::vector<std::string_view> arguments;
        int exitCode;
        std::string out, err;
    };
    for (const Case& c : {
             Case{{"--version"}, 0, "stagehand " STAGEHAND_VERSION "\n", ""},
             Case{{"--help"}, 0, usage, ""},
             Case{{"--headless", "--screen", "10x10"},
                  2,
                  "",
                  "stagehand: the screen size 10x10 is not WIDTHxHEIGHT with each side from 64 to "
                  "4096\n" +
                      tryHelp},
             Case{{"--bogus", "--help"}, 2, "", "stagehand: unknown option --bogus\n" + tryHelp},
             Case{{"a", "b"},
                  2,
                  "",
                  "stagehand: only one title folder can be played, but b is a second one\n" +
                      tryHelp},
         }) {
        std::ostringstream out, err;
        EXPECT_EQ(CApplication::Main(c.arguments, out, err), c.exitCode) << c.arguments.back();
        EXPECT_EQ(out.str(), c.out);
        EXPECT_EQ(err.str(), c.err);
    }
}

}  // namespace
}  // namespace stagehand
