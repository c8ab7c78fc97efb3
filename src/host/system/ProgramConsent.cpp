#include "host/system/ProgramConsent.h"

#include <string_view>
#include <utility>

#include "host/files/File.h"
#include "host/files/ProfileFile.h"
#include "host/files/SettingsFile.h"
#include "host/files/TextEncoding.h"
#include "host/files/UserFolders.h"

namespace stagehand::host {
namespace fs = std::filesystem;

namespace {

// The old file's section of remembered titles.
constexpr std::string_view kOldSection = "[Always]";
constexpr std::string_view kTitleSection = "Title ";
constexpr std::string_view kProgramsKey = "Programs";
constexpr std::string_view kAlways = "always";

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
            inSection = EqualsCaseBlind1252(trimmed, kOldSection);
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
    return SettingsFile::DefaultPath();
}

fs::path ProgramConsent::DefaultOldFile() {
    return UserSettingsFolder() / kOldFileName;
}

bool ProgramConsent::OldFileNames(const std::string& oldText, const std::string& titleKey) {
    bool found = false;
    ForEachLine(oldText, [&](std::string_view line, bool inSection, size_t) {
        const size_t equals = line.find('=');
        if (inSection && equals != std::string_view::npos &&
            Trimmed(line.substr(0, equals)) == titleKey &&
            EqualsCaseBlind1252(Trimmed(line.substr(equals + 1)), "yes")) {
            found = true;
        }
    });
    return found;
}

std::string ProgramConsent::WithOldTitles(std::string text, const std::string& oldText) {
    ForEachLine(oldText, [&](std::string_view line, bool inSection, size_t) {
        const size_t equals = line.find('=');
        if (!inSection || equals == std::string_view::npos) {
            return;
        }
        const std::string key(Trimmed(line.substr(0, equals)));
        if (!key.empty() && key.find(']') == std::string::npos &&
            EqualsCaseBlind1252(Trimmed(line.substr(equals + 1)), "yes")) {
            text = WithTitle(text, key);
        }
    });
    return text;
}

bool ProgramConsent::Names(const std::string& text, const std::string& titleKey) {
    const ProfileFile parsed = ProfileFile::Parse(text);
    const ProfileSection* section = parsed.FindSection(std::string(kTitleSection) + titleKey);
    if (section == nullptr) {
        return false;
    }
    const std::optional<std::string_view> value = section->FindValue(kProgramsKey);
    return value && EqualsCaseBlind1252(*value, kAlways);
}

std::string ProgramConsent::WithTitle(const std::string& text, const std::string& titleKey) {
    return SettingsFile::WithValue(text, std::string(kTitleSection) + titleKey, kProgramsKey,
                                   kAlways);
}

base::Result<bool> ProgramConsent::UpdateFolding(
    const fs::path& settingsFile, const fs::path& oldFile,
    const std::function<std::string(std::string)>& edit) {
    FileBytes old;
    old.fault = FileFault::kMissing;
    if (!oldFile.empty()) {
        old = ReadFile(oldFile, kMaxRememberedBytes);
    }
    base::Result<bool> written = SettingsFile::Update(settingsFile, [&](std::string text) {
        return edit(old.Read() ? WithOldTitles(std::move(text), old.bytes) : std::move(text));
    });
    if (written && old.Read()) {
        // The settings file holds what the old one did now (whether or not this wrote it).
        std::error_code ec;
        fs::remove(oldFile, ec);
    }
    return written;
}

bool ProgramConsent::Remembered() const {
    const std::string key = TitleKey();
    if (settings_.rememberedFile.empty() || key.empty()) {
        return false;
    }
    const base::Result<std::string> text = SettingsFile::Read(settings_.rememberedFile);
    if (text && Names(*text, key)) {
        return true;
    }
    if (settings_.oldFile.empty()) {
        return false;
    }
    const FileBytes old = ReadFile(settings_.oldFile, kMaxRememberedBytes);
    return old.Read() && OldFileNames(old.bytes, key);
}

base::Result<void> ProgramConsent::Remember() const {
    const std::string key = TitleKey();
    if (settings_.rememberedFile.empty() || key.empty()) {
        return base::Failure("this run remembers nothing");
    }
    const base::Result<bool> written =
        UpdateFolding(settings_.rememberedFile, settings_.oldFile,
                      [&key](std::string text) { return WithTitle(text, key); });
    if (!written) {
        return written.failure();
    }
    return {};
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
