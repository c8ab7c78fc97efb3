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
    const fs::path remembered = folder.Path() / "settings/programs.ini";

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
    const fs::path remembered = folder.Path() / "config/stagehand/programs.ini";
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

    // The file keeps what it held; a key must stand in the section with the value yes.
    const std::string held = "; mine\n[Other]\nA-1=yes\n[always]\nB-2=yes\nC-3=no\n";
    const std::string with = ProgramConsent::WithTitle(held, "D-4");
    EXPECT_EQ(with, "; mine\n[Other]\nA-1=yes\n[always]\nD-4=yes\nB-2=yes\nC-3=no\n");
    EXPECT_TRUE(ProgramConsent::Names(with, "B-2") && ProgramConsent::Names(with, "D-4"));
    EXPECT_FALSE(ProgramConsent::Names(with, "A-1") || ProgramConsent::Names(with, "C-3"));
    EXPECT_TRUE(ProgramConsent::Names(ProgramConsent::WithTitle("[Other]\nx=1", "E-5"), "E-5"));

    // An "Always" that cannot be kept still allows, and says so.
    const fs::path blocked = folder.Write("file", "") / "programs.ini";
    Consent unkept(blocked);
    unkept.Request("start a");
    unkept.Answer(ConsentAnswer::kAlways);
    ASSERT_EQ(unkept.decided.size(), 1u);
    EXPECT_TRUE(unkept.decided[0].starts_with("yes: allowed, but not remembered: "))
        << unkept.decided[0];
}

}  // namespace
}  // namespace stagehand::host
