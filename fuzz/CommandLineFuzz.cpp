// Feeds arbitrary text to the command-line splitter. Checks that the arguments never hold
// more bytes than the line or a NUL, that a quoted program name holds no quote, and that
// the arguments, quoted again by the splitting rules and joined, split back unchanged.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/system/CommandLine.h"

#include "FuzzCheck.h"

using stagehand::host::SplitCommandLine;

namespace {

// The program name needs no escapes: quoted unless it holds a quote, and then it came
// unquoted and so holds no blank.
void AppendProgramName(std::string& line, const std::string& name) {
    if (name.find('"') != std::string::npos) {
        line += name;
    } else {
        line += '"' + name + '"';
    }
}

// Any other argument, quoted whole: backslashes are doubled where a quote follows them
// (the closing one included), and each quote is escaped.
void AppendArgument(std::string& line, const std::string& arg) {
    line += '"';
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            line.append(2 * backslashes + 1, '\\');
        } else {
            line.append(backslashes, '\\');
        }
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, '\\');
    line += '"';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size > 64 * 1024) {
        return 0;  // longer lines only repeat what shorter ones reach
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const std::vector<std::string> args = SplitCommandLine(text);

    const std::string_view line = text.substr(0, text.find('\0'));
    size_t total = 0;
    for (const std::string& arg : args) {
        total += arg.size();
        FUZZ_CHECK(arg.find('\0') == std::string::npos);
    }
    FUZZ_CHECK(total <= line.size());
    const size_t start = line.find_first_not_of(" \t");
    FUZZ_CHECK(args.empty() == (start == std::string_view::npos));
    if (!args.empty() && line[start] == '"') {
        FUZZ_CHECK(args[0].find('"') == std::string::npos);
    }

    if (!args.empty()) {
        std::string joined;
        AppendProgramName(joined, args[0]);
        for (size_t i = 1; i < args.size(); ++i) {
            joined += ' ';
            AppendArgument(joined, args[i]);
        }
        FUZZ_CHECK(SplitCommandLine(joined) == args);
    }
    return 0;
}
