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

// The host path of a document of the title that an argument names: an existing regular
// file that is neither of a program kind nor a program this machine runs.
std::optional<fs::path> FindDocument(const host::TitlePaths& paths, const std::string& name) {
    std::optional<fs::path> file = paths.Resolve(name);
    std::error_code ec;
    if (!file || !fs::is_regular_file(*file, ec) || HasProgramExtension(*file) ||
        host::ProgramStarter::IsHostProgram(*file)) {
        return std::nullopt;
    }
    return file;
}

// What the opener should get for an argument: a web address or a document's host path.
std::optional<std::string> OpenTarget(const host::TitlePaths& paths, const std::string& name) {
    if (std::optional<std::string> address =
            host::ProgramStarter::WebAddress(host::Cp1252ToUtf8(name))) {
        return address;
    }
    if (std::optional<fs::path> document = FindDocument(paths, name)) {
        return document->native();
    }
    return std::nullopt;
}

ShellOutcome Refuse(std::string_view commandLine, std::string reason) {
    trace::Fault("Shell \"%s\": %s.", {host::Cp1252ToUtf8(commandLine), reason});
    return {ShellOutcome::Kind::kRefused, std::move(reason)};
}

ShellOutcome Open(std::string_view commandLine, host::ProgramStarter& starter,
                  const std::string& target) {
    host::ProgramStartResult opened = starter.Open(target);
    if (!opened.started) {
        return Refuse(commandLine, std::move(opened.error));
    }
    return {ShellOutcome::Kind::kOpened, std::move(opened.target)};
}

}  // namespace

ShellOutcome RunShellCommand(std::string_view commandLine, host::ProgramStarter& starter,
                             const host::TitlePaths& paths) {
    if (commandLine.size() > host::ProgramStarter::kMaxCommandLineBytes) {
        trace::Fault(
            "Shell was given a command line of %u bytes; at most %u are taken.",
            {uint64_t{commandLine.size()}, uint64_t{host::ProgramStarter::kMaxCommandLineBytes}});
        return {ShellOutcome::Kind::kRefused, "command line too long"};
    }
    const std::vector<std::string> args = host::SplitCommandLine(commandLine);
    if (args.empty()) {
        trace::Fault("Shell was given no command line.");
        return {ShellOutcome::Kind::kRefused, "no command line"};
    }

    // A document or web address of its own: the rest of the line has nothing to say.
    if (std::optional<std::string> target = OpenTarget(paths, args.front())) {
        return Open(commandLine, starter, *target);
    }

    host::ProgramStartResult started = starter.Start(commandLine);
    if (started.started) {
        return {ShellOutcome::Kind::kStarted, std::move(started.target)};
    }

    // A program that cannot run here (`notepad.exe readme.txt`, `explorer http://...`) was
    // asked to show its argument; the opener shows it instead.
    if (args.size() > 1) {
        if (std::optional<std::string> target = OpenTarget(paths, args[1])) {
            return Open(commandLine, starter, *target);
        }
    }
    return Refuse(commandLine, std::move(started.error));
}

}  // namespace stagehand
