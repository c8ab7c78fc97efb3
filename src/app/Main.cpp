// The `stagehand` program: the command line goes to CApplication, which does the rest. A
// player started from the desktop has no terminal to print on, so when a title cannot start
// (exit code 1) in a run meant for the screen, the line it printed is shown in a message box
// too.
#include <unistd.h>

#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "app/Application.h"
#include "app/Options.h"
#include "host/sdl/ErrorBox.h"

namespace {

// Passes everything on to the error stream and keeps a copy of the first lines.
class KeptErrors : public std::streambuf {
  public:
    static constexpr size_t kKeptBytes = 2000;
    explicit KeptErrors(std::streambuf* out) : out_(out) {}
    const std::string& Kept() const { return kept_; }

  protected:
    int overflow(int c) override {
        if (c != traits_type::eof() && kept_.size() < kKeptBytes) {
            kept_.push_back(static_cast<char>(c));
        }
        return out_->sputc(static_cast<char>(c));
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        kept_.append(
            s,
            static_cast<size_t>(std::min<std::streamsize>(
                n, static_cast<std::streamsize>(kKeptBytes - std::min(kKeptBytes, kept_.size())))));
        return out_->sputn(s, n);
    }
    int sync() override { return out_->pubsync(); }

  private:
    std::streambuf* out_;
    std::string kept_;
};

// The refusal as the box shows it: the first line, without the program's name.
std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    if (line.starts_with("stagehand: ")) {
        line.erase(0, 11);
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    KeptErrors kept(std::cerr.rdbuf());
    std::ostream err(&kept);
    const int code = stagehand::CApplication::Main(arguments, std::cout, err);
    err.flush();
    if (code == 1 && isatty(STDERR_FILENO) == 0 && isatty(STDIN_FILENO) == 0) {
        const stagehand::ParsedCommandLine line = stagehand::ParseCommandLine(arguments);
        if (line.action == stagehand::ParsedCommandLine::Action::kRun && !line.options.headless &&
            !kept.Kept().empty()) {
            stagehand::host::ShowErrorBox("Stagehand", FirstLine(kept.Kept()));
        }
    }
    return code;
}
