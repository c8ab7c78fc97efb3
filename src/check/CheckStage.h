// CCheckStage: the stage manager the checker reads a title through. It reads the role and
// queue files exactly as the player does (limits, counts, error texts), and expands message
// handler tags by the player's own steps, but with no handler alive: a tag that names a role
// of the title and a property its type has stands for a value nobody knows yet, kTagValue.
// Text built from such a value (a target, a file name, a queue name) is not checked further.
#pragma once

#include <string_view>

#include "check/RoleTypeFacts.h"
#include "check/TitleRoles.h"
#include "kernel/IniStageManager.h"

namespace stagehand::check {

class CCheckStage : public CIniStageManager {
  public:
    // A byte no title writes, standing for the value of a tag.
    static constexpr std::string_view kTagValue = "\x01";

    // The reader, the facts and the roles must outlive the stage manager.
    CCheckStage(host::ProfileReader& reader, const RoleTypeFacts& types, const TitleRoles& roles);

    // A tag of a role that the title has and a property its type has gives kTagValue;
    // anything else fails with the player's error text.
    bool EvaluateTag(std::string_view content, TagKind kind, std::string& value,
                     std::string* error) override;

    static bool IsTagBuilt(std::string_view text) {
        return text.find(kTagValue) != std::string_view::npos;
    }

  private:
    const RoleTypeFacts& types_;
    const TitleRoles& roles_;
};

}  // namespace stagehand::check
