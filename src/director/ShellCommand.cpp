#include "director/ShellCommand.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "host/files/TextEncoding.h"
#include "host/files/TitlePaths.h"
#include "host/system/CommandLine.h"
#include "host/system/ProgramStart.h"
#include "trace/Trace.h"

namespace stagehand {
namespace fs = std::filesystem;

namespace {

// Extensions of the desktop's program kinds: such a file is never handed to the opener,
// which would only offer to run it.
bool HasProgramExtension(const fs::path& file) {
    static constexpr std::string_view kProgramKinds[] = {".EXE", ".COM", ".BAT",
                                                         ".CMD", ".PIF", ".SCR"};
    const std::string extension = host::FoldCase1252(file.extension().native());
    for (std::string_view kind : kProgramKinds) {
        if (extension == kind) {
            return true;
        }
    }
    return false;
}

// The host path of a document of the title that an argument names, as the resolver located
// it: an existing regular file that is neither of a program kind nor a program this machine
// runs.
std::optional<fs::path> FindDocument(const host::TitlePaths& paths,
                                     const base::Result<fs::path>& file) {
    if (!file || HasProgramExtension(*file)) {
        return std::nullopt;
    }
    host::InputFile opened = paths.Open(*file);
    if (!opened.IsOpen() || host::ProgramStarter::IsHostProgram(opened, *file)) {
        return std::nullopt;
    }
    return *file;
}

// A name as the question shows it: at most kMaxShownBytes of UTF-8, cut between characters.
std::string Shown(std::string name) {
    constexpr size_t kMaxShownBytes = 80;
    if (name.size() <= kMaxShownBytes) {
        return name;
    }
    size_t cut = kMaxShownBytes - 4;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return name.substr(0, cut) + "\u2026";
}

// What the opener should get for an argument: a web address or a document's host path.
std::optional<ShellPlan> OpenPlan(const host::TitlePaths& paths, const std::string& name,
                                  const base::Result<fs::path>& located) {
    ShellPlan plan;
    plan.kind = ShellPlan::Kind::kOpen;
    if (std::optional<std::string> address =
            host::ProgramStarter::WebAddress(host::Cp1252ToUtf8(name))) {
        plan.target = std::move(*address);
        plan.question = "This title wants to open the web address " + Shown(plan.target) + ".";
        return plan;
    }
    if (std::optional<fs::path> document = FindDocument(paths, located)) {
        plan.target = document->native();
        plan.question = "This title wants to open " + Shown(host::Cp1252ToUtf8(name)) + ".";
        return plan;
    }
    return std::nullopt;
}

base::Failure Refuse(std::string_view commandLine, std::string reason) {
    TraceShellRefusal(commandLine, reason);
    return base::Failure(std::move(reason));
}

}  // namespace

void TraceShellRefusal(std::string_view commandLine, const std::string& reason) {
    trace::Fault("Shell \"%s\": %s.", {host::Cp1252ToUtf8(commandLine), reason});
}

base::Result<ShellPlan> PlanShellCommand(std::string_view commandLine,
                                         const host::ProgramStarter& starter,
                                         const host::TitlePaths& paths) {
    if (commandLine.size() > host::ProgramStarter::kMaxCommandLineBytes) {
        trace::Fault(
            "Shell was given a command line of %u bytes; at most %u are taken.",
            {uint64_t{commandLine.size()}, uint64_t{host::ProgramStarter::kMaxCommandLineBytes}});
        return base::Failure("command line too long");
    }
    const std::vector<std::string> args = host::SplitCommandLine(commandLine);
    if (args.empty()) {
        trace::Fault("Shell was given no command line.");
        return base::Failure("no command line");
    }

    // A document or web address of its own: the rest of the line has nothing to say.
    // The first argument is located once, for the document, and for the refusal below.
    const base::Result<fs::path> named = paths.Locate(args.front());
    if (std::optional<ShellPlan> open = OpenPlan(paths, args.front(), named)) {
        return std::move(*open);
    }

    base::Result<host::ProgramPlan> program = starter.Plan(commandLine);
    if (program) {
        ShellPlan plan;
        plan.kind = ShellPlan::Kind::kStart;
        plan.question = "This title wants to start " + Shown(program->shown) +
                        (program->windows ? ", a Windows program." : ".");
        plan.program = std::move(*program);
        return plan;
    }

    // A program that cannot run here (`notepad.exe readme.txt`, `explorer http://...`) was
    // asked to show its argument; the opener shows it instead. A name refused for where it
    // leads (a link out of the folder) stands for nothing, and opens nothing either.
    if (args.size() > 1 && (named || named.error() == host::TitlePaths::kNotFound)) {
        if (std::optional<ShellPlan> open = OpenPlan(paths, args[1], paths.Locate(args[1]))) {
            return std::move(*open);
        }
    }
    return Refuse(commandLine, program.error());
}

ShellOutcome CarryOutShellPlan(std::string_view commandLine, const ShellPlan& plan,
                               host::ProgramStarter& starter) {
    host::ProgramStartResult done = plan.kind == ShellPlan::Kind::kStart
                                        ? starter.Start(plan.program)
                                        : starter.Open(plan.target);
    if (!done.started) {
        TraceShellRefusal(commandLine, done.error);
        return {ShellOutcome::Kind::kRefused, std::move(done.error)};
    }
    const auto kind = plan.kind == ShellPlan::Kind::kStart ? ShellOutcome::Kind::kStarted
                                                           : ShellOutcome::Kind::kOpened;
    return {kind, std::move(done.target)};
}

ShellOutcome RunShellCommand(std::string_view commandLine, host::ProgramStarter& starter,
                             const host::TitlePaths& paths) {
    base::Result<ShellPlan> plan = PlanShellCommand(commandLine, starter, paths);
    if (!plan) {
        return {ShellOutcome::Kind::kRefused, plan.error()};
    }
    return CarryOutShellPlan(commandLine, *plan, starter);
}

}  // namespace stagehand
