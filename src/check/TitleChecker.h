// TitleChecker: reads a title without playing it (no window, no sound, no queue runs) and
// finds every fault it can see: role and queue files the player refuses, roles it cannot
// create, children and states that name nothing, messages that do not parse or name a role
// or command that is not there, event queues no role raises, queues broken by a gap, and
// media and data files that cannot be found or read.
//
// It reads through the player's own readers (CCheckStage, host::ProfileReader, the picture,
// movie and wave readers) with their limits, so what it reports is what the player would do.
// Where a value is only known while the title plays (a message handler tag), the check that
// needs it is left out rather than guessed: a fault listed is a fault.
// Guarantees: work and memory are bounded by the two files' sizes (see TitleFile, Findings);
// nothing is run and nothing is written.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "check/CheckStage.h"
#include "check/Cycles.h"
#include "check/Findings.h"
#include "check/MediaCheck.h"
#include "check/RoleTypeFacts.h"
#include "check/TitleFile.h"
#include "check/TitleRoles.h"
#include "host/files/ProfileReader.h"
#include "host/files/TitlePaths.h"

namespace stagehand::check {

// `stagehand --check`: checks the title in `folder` (shown as `shownFolder`), with the disc
// drive in `disc` when given, and lists its faults on `out`. Returns 0 for a clean title, 1
// when it found faults or the folder is no folder (said on `err`). Either may be a disc image
// (`title.iso`, `title.iso:/GAME`).
int CheckTitle(const std::string& shownFolder, const std::optional<std::string>& disc,
               std::ostream& out, std::ostream& err);

class TitleChecker {
  public:
    // The folder must exist.
    explicit TitleChecker(const std::filesystem::path& folder);
    // A title in a folder of a disc image.
    explicit TitleChecker(host::ImageFolder folder);

    host::TitlePaths& Paths() { return paths_; }
    void Check();
    const Findings& Faults() const { return findings_; }

  private:
    enum FileRank { kTitleRank = 0, kRoleRank = 1, kQueueRank = 2 };

    // TitleChecker.cpp: the files, and the names roles can have.
    bool LoadFile(std::string_view name, TitleFile& file, std::string& shownName, int rank);
    void CollectRoles();
    void CollectFromQueues(std::vector<std::string>& created);
    // The literal "Type" of a role section ("" when it has none, or it is built by a tag).
    std::string SectionType(std::string_view role);

    // RoleChecks.cpp
    void CheckRoles();
    void CheckRole(const TitleFile::Section& section);
    void CheckNumbered(const TitleFile::Section& section, const RoleValues& values,
                       std::string_view family);
    void CheckChild(const TitleFile::Section& section, std::string_view key,
                    const std::string& value);
    void CheckState(const TitleFile::Section& section, std::string_view key,
                    const std::string& value);
    void CheckDirector(const TitleFile::Section& section, const RoleValues& values);
    // Roles that hold themselves and queues that run themselves.
    void CheckCycles();
    // The line of the entry the role reader keeps for `key` in the section being checked.
    uint32_t RoleKeyLine(const TitleFile::Section& section, std::string_view key) const;

    // QueueChecks.cpp
    void CheckQueues();
    void CheckQueue(const TitleFile::Section& section);
    void CheckEventQueue(const TitleFile::Section& section);
    void CheckMessage(const TitleFile::Section& section, uint32_t line, std::string_view key,
                      std::string text);
    void CheckData(const TitleFile::Section& section, uint32_t line, std::string_view key,
                   const std::string& type, const CMessage& message);
    bool QueueExists(const std::string& queue);

    // A file this role or message names, checked as its kind; faults go to the role file
    // (rank kRoleRank) or the queue file.
    void CheckMedia(int rank, uint32_t line, std::string_view section, std::string_view key,
                    MediaKind kind, std::string_view name);

    void RoleFault(uint32_t line, std::string_view section, std::string_view key,
                   std::string_view text);
    void QueueFault(uint32_t line, std::string_view section, std::string_view key,
                    std::string_view text);

    host::TitlePaths paths_;
    host::ProfileReader reader_;
    RoleTypeFacts types_;
    TitleRoles roles_;
    CCheckStage stage_;
    MediaCheck media_;
    TitleFile roleFile_;
    TitleFile queueFile_;
    bool hasRoleFile_ = false;
    bool hasQueueFile_ = false;
    std::string roleFileName_ = "roles.mii";
    std::string queueFileName_ = "msg.mii";
    // Queues that messages run by name (folded), so that an event queue run that way is no
    // fault.
    std::set<std::string> queuesRunByName_;
    // Children by section index in the role file; queues run by name, by section index in the
    // queue file.
    CycleFinder roleCycles_;
    CycleFinder queueCycles_;
    // The role being checked: each key's line.
    std::map<std::string, uint32_t, std::less<>> keyLines_;
    Findings findings_;
};

// The queues a "ChooseQueue" statement can run, as the director splits it.
std::vector<std::string> ChosenQueues(std::string_view statement);

}  // namespace stagehand::check
