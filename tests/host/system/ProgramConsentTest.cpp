#include "host/system/ProgramConsent.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace stagehand::host {
namespace {
namespace fs = std::filesystem;
using testing::TempFolder;

// A consent whose questions wait in `asked` until the test answers them; decisions go to
// `decided` as "yes" or "no: NOTE" (or "yes: NOTE").
struct Consent {
    explicit Consent(const fs::path& remembered, std::string key = "Title-0123456789ab",
                     bool allowAll = false, bool canAsk = true) {
        ProgramConsent::Settings settings;
        settings.allowAll = allowAll;
        settings.titleKey = [key] { return key; };
        settings.rememberedFile = remembered;
        if (canAsk) {
            settings.asker = [this](const std::string& question, ProgramConsent::Answer answer) {
                asked.push_back(question);
                answers.push_back(std::move(answer));
            };
        }
        consent = std::make_unique<ProgramConsent>(std::move(settings));
    }
    void Request(const std::string& question) {
        consent->Request(question, [this](bool allowed, const std::string& note) {
            decided.push_back(std::string(allowed ? "yes" : "no") + (note.empty() ? "" : ": ") +
                              note);
        });
    }
    void Answer(ConsentAnswer answer) {
        ProgramConsent::Answer next = answers.back();
        next(answer);
    }

    std::vector<std::string> asked;
    std::vector<ProgramConsent::Answer> answers;
    std::vector<std::string> decided;
    std::unique_ptr<ProgramConsent> consent;
};

std::string Read(const fs::path& file) {
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
}

// Nothing is allowed unless the run allows everything or the user says so; a run with nobody
// to ask refuses; "Allow once" is for one request, "No" for every one waiting behind it, and
// the queue behind a question is bounded.
TEST(ProgramConsent, AsksOneQuestionAtATimeAndBoundsWhatWaits) {
    TempFolder folder;
    const fs::path remembered = folder.Path() / "settings/settings.ini";

    Consent all(remembered, "k", true);
    all.Request("start a");
    Consent headless(remembered, "k", false, false);
    headless.Request("start a");
    EXPECT_EQ(all.decided, std::vector<std::string>{"yes"});
    EXPECT_EQ(headless.decided,
              std::vector<std::string>{"no: this run starts nothing without --allow-programs"});
    EXPECT_TRUE(all.asked.empty() && headless.asked.empty());

    Consent c(remembered);
    c.Request("start a");
    c.Request("start b");
    EXPECT_EQ(c.asked, std::vector<std::string>{"start a"});  // b waits behind a
    c.Answer(ConsentAnswer::kAllowOnce);
    EXPECT_EQ(c.decided, std::vector<std::string>{"yes"});
    EXPECT_EQ(c.asked, (std::vector<std::string>{"start a", "start b"}));
    for (size_t i = 0; i < ProgramConsent::kMaxWaiting + 2; ++i) {
        c.Request("start more");
    }
    EXPECT_EQ(c.consent->Waiting(), ProgramConsent::kMaxWaiting + 1);
    EXPECT_EQ(c.decided.back(), "no: too many requests wait for the user's answer");
    c.decided.clear();
    c.Answer(ConsentAnswer::kNo);
    EXPECT_EQ(c.decided, std::vector<std::string>(ProgramConsent::kMaxWaiting + 1,
                                                  "no: the user did not allow it"));
    EXPECT_EQ(c.consent->Waiting(), 0u);
    c.Answer(ConsentAnswer::kAllowOnce);  // an answer given twice decides nothing more
    EXPECT_EQ(c.decided.size(), ProgramConsent::kMaxWaiting + 1);
    EXPECT_FALSE(fs::exists(remembered));

    // A consent that goes with a question open decides nothing, and its late answer is lost.
    Consent gone(remembered);
    gone.Request("start a");
    ProgramConsent::Answer late = gone.answers.back();
    gone.consent.reset();
    late(ConsentAnswer::kAlways);
    EXPECT_TRUE(gone.decided.empty());
    EXPECT_FALSE(fs::exists(remembered));
}

// "Always" allows what waits behind it, is remembered for the title in a private folder
// among what the file held, and is asked no more, in this run or the next.
TEST(ProgramConsent, RemembersAlwaysForTheTitle) {
    TempFolder folder;
    const fs::path remembered = folder.Path() / "config/stagehand/settings.ini";
    Consent c(remembered);
    c.Request("start a");
    c.Request("open b");
    c.Answer(ConsentAnswer::kAlways);
    c.Request("start c");
    EXPECT_EQ(c.decided, (std::vector<std::string>{"yes", "yes", "yes"}));
    EXPECT_EQ(c.asked.size(), 1u);
    struct stat info {};
    ASSERT_EQ(stat(remembered.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(ProgramConsent::Names(Read(remembered), "Title-0123456789ab"));

    Consent next(remembered);
    next.Request("start a");
    Consent other(remembered, "Other-0123456789ab");
    other.Request("start a");
    EXPECT_EQ(next.decided, std::vector<std::string>{"yes"});
    EXPECT_TRUE(next.asked.empty());
    EXPECT_EQ(other.asked.size(), 1u);

    // The file keeps what it held; the title's section must say Programs=always.
    const std::string held =
        "; mine\n[Display]\nScale=smooth\n[title B-2]\nprograms = Always\n"
        "[Title C-3]\nPrograms=no\n";
    const std::string with = ProgramConsent::WithTitle(held, "D-4");
    EXPECT_EQ(with, held + "\n[Title D-4]\nPrograms=always\n");
    EXPECT_TRUE(ProgramConsent::Names(with, "B-2") && ProgramConsent::Names(with, "D-4"));
    EXPECT_FALSE(ProgramConsent::Names(with, "C-3") || ProgramConsent::Names(with, "Display"));
    EXPECT_TRUE(ProgramConsent::Names(ProgramConsent::WithTitle(held, "C-3"), "C-3"));
    // An "Always" that cannot be kept still allows, and says so.
    const fs::path blocked = folder.Write("file", "") / "settings.ini";
    Consent unkept(blocked);
    unkept.Request("start a");
    unkept.Answer(ConsentAnswer::kAlways);
    ASSERT_EQ(unkept.decided.size(), 1u);
    EXPECT_TRUE(unkept.decided[0].starts_with("yes: allowed, but not remembered: "))
        << unkept.decided[0];
}

// The earlier players' programs.ini is still read, and folded into the settings file, then
// removed, when that is next written; what it says other than KEY=yes in [Always] is not taken.
TEST(ProgramConsent, TheOldFileIsReadAndFoldedIn) {
    TempFolder folder;
    const fs::path settings = folder.Path() / "settings.ini";
    const fs::path old = folder.Write("programs.ini",
                                      "; old\n[Always]\nOld-1=yes\nNo-2=no\nBad]3=yes\n"
                                      "[Other]\nOther-4=yes\n");
    EXPECT_TRUE(ProgramConsent::OldFileNames(Read(old), "Old-1"));
    EXPECT_FALSE(ProgramConsent::OldFileNames(Read(old), "No-2"));
    EXPECT_FALSE(ProgramConsent::OldFileNames(Read(old), "Other-4"));
    EXPECT_EQ(ProgramConsent::WithOldTitles("", Read(old)), "[Title Old-1]\nPrograms=always\n");

    ProgramConsent::Settings remembered;
    remembered.titleKey = [] { return std::string("Old-1"); };
    remembered.rememberedFile = settings;
    remembered.oldFile = old;
    std::vector<bool> allowed;
    ProgramConsent fromOld(remembered);
    fromOld.Request("start a", [&](bool yes, const std::string&) { allowed.push_back(yes); });
    EXPECT_EQ(allowed, std::vector<bool>{true});
    EXPECT_FALSE(fs::exists(settings));  // reading writes nothing

    // The next write of the settings file takes the old titles in and the old file goes.
    ASSERT_TRUE(ProgramConsent::UpdateFolding(settings, old,
                                              [](std::string text) { return text + "; kept\n"; }));
    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(ProgramConsent::Names(Read(settings), "Old-1"));
    EXPECT_FALSE(ProgramConsent::Names(Read(settings), "No-2"));
    EXPECT_TRUE(Read(settings).ends_with("; kept\n"));
}

}  // namespace
}  // namespace stagehand::host
