// CStageManager: the one registry of live handlers by role name, and the gateway to the
// title's roles and message queues.
//
// It answers what the role file says about a role and what the queue file holds, through
// abstract operations a concrete stage manager implements, and expands message handler tags
// ([Handler.Property] and the hash mark) in role values and message texts before they are
// used. The handler table refers to handlers; it never owns or deletes them.
//
// Guarantees: one instance at a time, reachable through Instance() while it lives. Tag
// expansion always ends: it stops, as a failed expansion, after kMaxReplacements property
// replacements, when the text would grow past kMaxExpandedLength, or when it has scanned
// kMaxScannedCharacters in all (a text full of escaped delimiters).
// Where it bites: expansion follows the player's own step-by-step rules, odd corners included
// (see ExpandTags); failures are reported in the trace and otherwise ignored by its callers.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "handlers/MessageHandler.h"
#include "script/Message.h"

namespace stagehand {

namespace host {
class ProfileReader;
class TitlePaths;
}  // namespace host

// A delimiter pair that tag expansion looks for.
struct CTag {
    CTag(int32_t kind, std::string open, int32_t openLength, std::string close, int32_t closeLength)
        : kind(kind),
          open(std::move(open)),
          close(std::move(close)),
          openLength(openLength),
          closeLength(closeLength) {}

    int32_t kind;
    std::string open;
    std::string close;
    int32_t openLength;
    int32_t closeLength;
};

class CStageManager {
  public:
    enum TagKind : int32_t { kPropertyTag = 0, kHashMark = 1 };

    static constexpr int kMaxReplacements = 1000;
    static constexpr size_t kMaxExpandedLength = 64 * 1024;
    static constexpr size_t kMaxScannedCharacters = size_t{64} << 20;

    CStageManager();
    virtual ~CStageManager();
    CStageManager(const CStageManager&) = delete;
    CStageManager& operator=(const CStageManager&) = delete;

    // The live stage manager, or nullptr.
    static CStageManager* Instance();

    // --- What a concrete stage manager reads from the title ------------------------------
    // The role's entries as stored; empty when it cannot be read.
    virtual RoleValues GetRole(const std::string& role) = 0;
    virtual bool ValidateRole(const std::string& role, std::string* error) = 0;
    // The text read for the message, "" when it is missing.
    virtual std::string GetMessageText(const std::string& queue, uint32_t number) = 0;
    virtual bool MessageExists(const std::string& queue, uint32_t number, std::string* error) = 0;
    virtual bool QueueExists(const std::string& queue, std::string* error) = 0;
    // MessageExists and GetMessageText in one read, as a queue run asks them one after the
    // other; a concrete stage manager may answer both from a single read.
    virtual bool ReadMessage(const std::string& queue, uint32_t number, std::string& text,
                             std::string* error);

    // The title's files, for roles that read files of their own; nullptr when not from files.
    virtual host::ProfileReader* Profiles() { return nullptr; }
    virtual const host::TitlePaths* Paths() { return nullptr; }

    // --- The handler table ---------------------------------------------------------------
    bool IsLoaded(std::string_view name) const;
    // Enters the handler under its name, replacing an entry of the same name.
    void Register(CMessageHandler& handler);
    void Unregister(std::string_view name);
    // Removes the entry only while it still refers to that handler, so a handler that was
    // replaced under its name cannot take its successor's entry with it.
    void Unregister(std::string_view name, const CMessageHandler& handler);
    CMessageHandler* Find(std::string_view name) const;

    // --- Roles and messages, tags expanded -----------------------------------------------
    // The role's entries without "MetaDataType", every value's tags expanded.
    RoleValues GetRoleProperties(const std::string& role);
    std::string GetRoleType(const std::string& role);
    // Message `number` of the queue, expanded and parsed.
    CMessage GetMessage(const std::string& queue, uint32_t number);
    // Expands and parses a message text already read; queue and number name it in the trace.
    CMessage BuildMessage(std::string& text, const std::string& queue, uint32_t number);

    bool ExpandTags(std::string& text, std::string* error);
    bool EvaluateTag(std::string_view content, int32_t kind, std::string& value,
                     std::string* error);

    // The depth of nested queue runs, kept by the runs themselves.
    int& QueueDepth() { return queueDepth_; }

    static constexpr std::string_view kMissingStartText =
        "Missing a start tag delimiter for the following tag:\n%s";
    static constexpr std::string_view kMissingEndText =
        "Missing an end tag delimiter for the following tag:\n%s.";
    static constexpr std::string_view kNoDataText = "No data was supplied in message handler tag.";
    static constexpr std::string_view kMissingDelimiterText =
        "Missing delimiter in message handler tag.\n\"%s\"\n";
    static constexpr std::string_view kInvalidHandlerNameText =
        "Invalid message handler name in message handler tag.\n\"%s\"";
    static constexpr std::string_view kNoHandlerText = "Message Handler does not exist.\n\"%s\"";
    static constexpr std::string_view kTooManyReplacementsText =
        "Message handler tags were replaced %d times without coming to an end in:\n%s";
    static constexpr std::string_view kTooLongText =
        "Message handler tags grew the text past %d characters in:\n%s";
    static constexpr std::string_view kTooMuchScanningText =
        "Message handler tags took too long to expand in:\n%s";

  private:
    CTag tags_[2];
    std::map<std::string, CMessageHandler*, std::less<>> handlers_;
    int queueDepth_ = 0;
};

}  // namespace stagehand
