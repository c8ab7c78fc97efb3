// Whether the title may start a program or hand a document or web address to the desktop's
// opener: the user's say, asked each time unless the user gave it for the whole run
// (--allow-programs) or for the title ("Always for this title", remembered in the user's
// settings). A title made for another desktop had no way to harm anyone this way; a program
// started here runs as the user, and a modern opener can run things too.
//
// Guarantees: nothing is allowed without one of the three. The question is asked through the
// asker, which shows it and answers later (a dialog of the player's own): Request never
// blocks, and the loop goes on meanwhile. One question is shown at a time; at most kMaxWaiting
// requests wait behind it and further ones are refused, so a title asking in a loop cannot
// pile up questions. "No" refuses the request and every one waiting behind it. A run with
// nobody to ask (headless) refuses everything unless the run allows everything. Each request's
// decision comes exactly once, unless the consent goes first: requests still waiting then get
// none. The remembered titles are read from the user's settings file (host/files/SettingsFile.h:
// bounded, in a folder of mode 0700, written whole or not at all), one section a title:
//   [Title KEY]
//   Programs=always
// where KEY is the title's key (its window name and a hash of its roles.mii, SaveFolder::
// TitleKey). The file of earlier players, programs.ini beside it ([Always] with KEY=yes), is
// still read, and folded into the settings file (then removed) when that is next written.
// Where it bites: "Always" is for the title (its key), not for one program of it. A
// remembered file that cannot be read counts as remembering nothing.
#pragma once

#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "base/Result.h"

namespace stagehand::host {

enum class ConsentAnswer { kAllowOnce, kAlways, kNo };

class ProgramConsent {
  public:
    static constexpr size_t kMaxWaiting = 8;
    static constexpr uint64_t kMaxRememberedBytes = 1 << 20;
    static constexpr const char* kOldFileName = "programs.ini";

    using Answer = std::function<void(ConsentAnswer)>;
    // Shows the question (UTF-8) and calls the answer once, now or later.
    using Asker = std::function<void(const std::string& question, Answer answer)>;
    // allowed, and a note for the trace when something is worth saying (why not, or that an
    // "Always" could not be remembered); empty otherwise.
    using Decision = std::function<void(bool allowed, const std::string& note)>;

    struct Settings {
        bool allowAll = false;  // the user allowed everything for this run
        // Names the title among the remembered ones; asked when needed, since a title's
        // key is known only once its director has been read.
        std::function<std::string()> titleKey;
        // The settings file the titles are remembered in; empty: nothing is remembered.
        std::filesystem::path rememberedFile;
        // The earlier players' file of remembered titles, read and folded in; empty: none.
        std::filesystem::path oldFile;
        Asker asker;  // unset: there is nobody to ask
    };

    explicit ProgramConsent(Settings settings);
    ~ProgramConsent();
    ProgramConsent(const ProgramConsent&) = delete;
    ProgramConsent& operator=(const ProgramConsent&) = delete;

    // The user's settings file, and programs.ini beside it.
    static std::filesystem::path DefaultRememberedFile();
    static std::filesystem::path DefaultOldFile();

    // Decides on what the question asks ("This title wants to start SETUP.EXE.") and calls
    // `decided` once, at once or when the user has answered.
    void Request(std::string question, Decision decided);

    // Requests not yet decided, the one being asked included.
    size_t Waiting() const { return waiting_.size(); }
    // Whether the title is remembered as allowed (read from the file each time it is asked;
    // Request reads it at its first request of the play).
    bool Remembered() const;

    // The settings file's text with `titleKey` remembered; the text may be empty.
    static std::string WithTitle(const std::string& text, const std::string& titleKey);
    // Whether the settings file's text remembers the title.
    static bool Names(const std::string& text, const std::string& titleKey);
    // The same for the text of an old programs.ini.
    static bool OldFileNames(const std::string& oldText, const std::string& titleKey);
    // The settings file's text with every title the old file's text remembers.
    static std::string WithOldTitles(std::string text, const std::string& oldText);
    // Folds the old file into the settings file (as `edit` writes it) and removes it once the
    // settings file holds what it held. A missing old file changes nothing.
    static base::Result<bool> UpdateFolding(const std::filesystem::path& settingsFile,
                                            const std::filesystem::path& oldFile,
                                            const std::function<std::string(std::string)>& edit);

  private:
    struct Pending {
        std::string question;
        Decision decided;
    };
    void AskFirst();
    void Answered(ConsentAnswer answer);
    base::Result<void> Remember() const;
    std::string TitleKey() const {
        return settings_.titleKey ? settings_.titleKey() : std::string();
    }

    Settings settings_;
    std::deque<Pending> waiting_;
    bool alwaysThisRun_ = false;
    bool checkedRemembered_ = false;
    // Shared with the answer given to the asker, which may come after the consent has gone.
    std::shared_ptr<ProgramConsent*> self_;
};

}  // namespace stagehand::host
