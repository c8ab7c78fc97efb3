// CIniStageManager: the stage manager that reads the title's two files, `roles.mii` (one
// section per role) and `msg.mii` (one section per message queue, messages keyed 1, 2, 3...),
// through the profile reader, with the player's buffer sizes and limits.
//
// Guarantees: a message is read whole when it is 1 to 1024 characters long and refused
// (stopping its queue) when longer; a role section is used when its text is 3 to 5121
// characters long. Nothing is ever written. The files are re-read when they change.
// Where it bites: the file names are fixed when the stage manager is made, from the title's
// current directory.
#pragma once

#include <string>

#include "kernel/StageManager.h"

namespace stagehand {

class CIniStageManager : public CStageManager {
  public:
    static constexpr uint32_t kMessageBufferSize = 1026;
    static constexpr uint32_t kMaxMessageLength = 1024;
    static constexpr uint32_t kRoleBufferSize = 5124;
    static constexpr uint32_t kMinRoleLength = 3;
    static constexpr uint32_t kMaxRoleLength = 5121;

    // The reader must outlive the stage manager.
    explicit CIniStageManager(host::ProfileReader& reader);

    bool ReadMessage(const std::string& queue, uint32_t number, std::string& text,
                     std::string* error, uint32_t* line = nullptr) override;
    std::string_view QueueFileName() const override;
    // False when the role is missing, too small, too large, only comments or has a line
    // without "=".
    bool ReadRole(const std::string& role, RoleValues& values, std::string* error) override;

    static constexpr std::string_view kRoleTooSmallText = "Role %s is too small or does not exist.";
    static constexpr std::string_view kRoleTooLargeText = "Role %s is too large.";
    static constexpr std::string_view kRoleOnlyCommentsText = "Role %s contains only comments.";
    static constexpr std::string_view kRoleInvalidPairText =
        "Role %s has an invalid key-value pair.";
    static constexpr std::string_view kMessageTooLargeText =
        "Message number %u in queue %s is too large.";
    static constexpr std::string_view kMessageTooSmallText =
        "Message number %u in queue %s is too small or does not exist.";

  private:
    host::ProfileReader& reader_;
    std::string queueFile_;
    std::string roleFile_;
};

}  // namespace stagehand
