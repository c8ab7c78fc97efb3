#include "host/system/ProgramConsent.h"

#include <string_view>
#include <utility>

#include "host/files/File.h"
#include "host/files/FileReplacement.h"
#include "host/files/TextEncoding.h"
#include "host/files/UserFolders.h"

namespace stagehand::host {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSection = "[Always]";
constexpr std::string_view kHeader =
    "; Titles the user allowed to start programs and open documents without asking.\n";

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// Calls `line` with each line and whether it lies in the section of remembered titles.
template <typename F>
void ForEachLine(std::string_view text, F line) {
    bool inSection = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view trimmed = Trimmed(text.substr(start, end - start));
        if (trimmed.starts_with('[')) {
            inSection = EqualsCaseBlind1252(trimmed, kSection);
        }
        line(trimmed, inSection, end);
        start = end + 1;
    }
}

}  // namespace

ProgramConsent::ProgramConsent(Settings settings)
    : settings_(std::move(settings)), self_(std::make_shared<ProgramConsent*>(this)) {}

ProgramConsent::~ProgramConsent() {
    *self_ = nullptr;  // an answer still to come finds nobody
}

fs::path ProgramConsent::DefaultRememberedFile() {
    return UserSettingsFolder() / kRememberedFileName;
}

bool ProgramConsent::Names(const std::string& text, const std::string& titleKey) {
    bool found = false;
    ForEachLine(text, [&](std::string_view line, bool inSection, size_t) {
        const size_t equals = line.find('=');
        if (inSection && equals != std::string_view::npos &&
            Trimmed(line.substr(0, equals)) == titleKey &&
            EqualsCaseBlind1252(Trimmed(line.substr(equals + 1)), "yes")) {
            found = true;
        }
    });
    return found;
}

std::string ProgramConsent::WithTitle(const std::string& text, const std::string& titleKey) {
    const std::string entry = titleKey + "=yes\n";
    size_t after = std::string::npos;
    ForEachLine(text, [&](std::string_view line, bool inSection, size_t end) {
        if (after == std::string::npos && inSection && line.starts_with('[')) {
            after = end;
        }
    });
    if (after == std::string::npos) {
        std::string made = text.empty() ? std::string(kHeader) : text;
        if (!made.empty() && made.back() != '\n') {
            made += '\n';
        }
        return made + std::string(kSection) + "\n" + entry;
    }
    std::string made = text;
    if (after >= made.size()) {
        return made + "\n" + entry;
    }
    return made.insert(after + 1, entry);
}

bool ProgramConsent::Remembered() const {
    const std::string key = TitleKey();
    if (settings_.rememberedFile.empty() || key.empty()) {
        return false;
    }
    const FileBytes file = ReadFile(settings_.rememberedFile, kMaxRememberedBytes);
    return file.Read() && Names(file.bytes, key);
}

base::Result<void> ProgramConsent::Remember() const {
    const std::string key = TitleKey();
    if (settings_.rememberedFile.empty() || key.empty()) {
        return base::Failure("this run remembers nothing");
    }
    const FileBytes file = ReadFile(settings_.rememberedFile, kMaxRememberedBytes);
    if (!file.Read() && file.fault != FileFault::kMissing) {
        return base::Failure("cannot read " + settings_.rememberedFile.string() + ": " +
                             file.reason);
    }
    if (file.Read() && Names(file.bytes, key)) {
        return {};
    }
    const fs::path folder = settings_.rememberedFile.parent_path();
    if (base::Result<void> made = MakePrivateFolders(folder, "the settings folder"); !made) {
        return made;
    }
    return ReplaceFile(settings_.rememberedFile,
                       WithTitle(file.Read() ? file.bytes : std::string(), key));
}

void ProgramConsent::Request(std::string question, Decision decided) {
    if (!checkedRemembered_ && !settings_.allowAll) {
        // Read once a play: a title asking in a loop reads no file again.
        checkedRemembered_ = true;
        alwaysThisRun_ = Remembered();
    }
    if (settings_.allowAll || alwaysThisRun_) {
        decided(true, {});
        return;
    }
    if (!settings_.asker) {
        decided(false, "this run starts nothing without --allow-programs");
        return;
    }
    if (waiting_.size() > kMaxWaiting) {
        decided(false, "too many requests wait for the user's answer");
        return;
    }
    waiting_.push_back({std::move(question), std::move(decided)});
    if (waiting_.size() == 1) {
        AskFirst();
    }
}

void ProgramConsent::AskFirst() {
    std::weak_ptr<ProgramConsent*> self = self_;
    settings_.asker(waiting_.front().question, [self](ConsentAnswer answer) {
        if (std::shared_ptr<ProgramConsent*> alive = self.lock(); alive && *alive != nullptr) {
            (*alive)->Answered(answer);
        }
    });
}

void ProgramConsent::Answered(ConsentAnswer answer) {
    if (waiting_.empty()) {
        return;  // answered twice
    }
    if (answer == ConsentAnswer::kNo) {
        // The rest waited behind a question the user said no to: they go with it.
        std::deque<Pending> refused = std::move(waiting_);
        waiting_.clear();
        for (Pending& pending : refused) {
            pending.decided(false, "the user did not allow it");
        }
        return;
    }
    std::string note;
    if (answer == ConsentAnswer::kAlways) {
        alwaysThisRun_ = true;
        if (base::Result<void> kept = Remember(); !kept) {
            note = "allowed, but not remembered: " + kept.error();
        }
    }
    Pending first = std::move(waiting_.front());
    waiting_.pop_front();
    first.decided(true, note);
    // What waited behind it is allowed now too when the answer was "Always"; else asked.
    while (!waiting_.empty() && alwaysThisRun_) {
        Pending next = std::move(waiting_.front());
        waiting_.pop_front();
        next.decided(true, {});
    }
    if (!waiting_.empty()) {
        AskFirst();
    }
}

}  // namespace stagehand::host
