// Content managers: roles that own a data file and copy values from it into state variables.
//
// CContentManager resolves its "Filename" once, when its role is applied: the name (which
// may hold wildcards) is searched for in the title folder and replaced by the full title
// name of the first match, or by "" when nothing matches. CIniContentManager reads a profile
// (INI) file: "ReadContent" with a quoted query `Section,Key` and a variable written between
// two enclosing characters (`{HighScore}`) sets that variable's "Value" from the key.
//
// Guarantees: the file is read anew by each "ReadContent"; a value of 5121 characters or more
// is stored as the empty text; every failure is reported in the trace and changes nothing
// but what the reads say (a missing key or file stores the empty text).
// Where it bites: a later "Set" of "Filename" is not resolved again; a bare name then finds
// nothing, as the desktop's profile reader looked for such names in its system folder.
#pragma once

#include <string>

#include "kernel/MessageHandler.h"

namespace stagehand {

class CContentManager : public CMessageHandler {
  public:
    const std::string& Filename() const { return filename_; }

    static constexpr std::string_view kNoSourceText =
        "Content manager \"%s\" does not have a source filename.\n";
    static constexpr std::string_view kSourceMissingText =
        "The source file \"%s\" for content manager \"%s\" does not exist.\n";

  protected:
    void RegisterProperties() override;
    void ApplyRoleData() override;

    std::string filename_;
};

class CIniContentManager : public CContentManager {
  public:
    static constexpr uint32_t kValueBufferSize = 5122;
    static constexpr uint32_t kMaxValueLength = 5120;

    static std::unique_ptr<CMessageHandler> Create();

    // Reads the first key of the query's section into the named variable's "Value".
    void ReadContent(const std::string& query, const std::string& variableText);

    static constexpr std::string_view kInvalidQueryText =
        "%s.ReadContent: Query string \"%s\" is invalid.\n";
    static constexpr std::string_view kNoVariableText =
        "%s.ReadContent: The state variable \"%s\" does not exist.\n";
    static constexpr std::string_view kNotStateVariableText =
        "%s.ReadContent: The message handler \"%s\" is not a state variable.\n";
    static constexpr std::string_view kCountMismatchText =
        "%s.ReadContent: The number of keys in the query string (%d) does not match the number "
        "of state variables (%d).\n";
    static constexpr std::string_view kNoKeyText =
        "%s.ReadContent: The query string \"%s\" must have at least one key.";
    static constexpr std::string_view kNoEntryText =
        "%s.ReadContent: The variable array must have at least one entry.";
    static constexpr std::string_view kValueTooLargeText =
        "The value in file \"%s\", section \"%s\", key \"%s\" is too large.\n";

  protected:
    void RegisterCommands() override;
};

}  // namespace stagehand
