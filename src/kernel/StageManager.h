// CStageManager: the one registry of live handlers by role name, and the gateway to the
// title's roles and message queues.
//
// It answers what the role file says about a role and what the queue file holds, through
// abstract operations a concrete stage manager implements, and expands message handler tags
// ([Handler.Property] and the hash mark) in role values and message texts before they are
// used. The handler table refers to handlers; it never owns or deletes them.
//
// It also runs queues: message by message, each expanded, parsed, sent to its target by name,
// within the nesting bound and the work budget of one dispatch (see CWorkBudget).
//
// Guarantees: tag expansion always ends: it stops, as a failed expansion, after kMaxReplacements
// property replacements, when the text would grow past kMaxExpandedLength, or when it has scanned
// and written kMaxScannedCharacters in all. It looks at each character of the text and of each
// value put in once (escaped delimiters cost no more than others), and what it looked at is
// spent from the dispatch's work budget.
// Where it bites: expansion follows the player's own step-by-step rules, odd corners included
// (see ExpandTags); failures are reported in the trace and otherwise ignored by its callers.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "kernel/MessageHandler.h"
#include "kernel/WorkBudget.h"
#include "script/Message.h"

namespace stagehand {

namespace host {
class ProfileReader;
class TitlePaths;
}  // namespace host

// What a tag's delimiters enclose: a handler's property, or nothing (the hash mark).
enum class TagKind : int32_t { kProperty = 0, kHashMark = 1 };

// A delimiter pair that tag expansion looks for.
struct CTag {
    CTag(TagKind tagKind, std::string opening, int32_t openingLength, std::string closing,
         int32_t closingLength)
        : kind(tagKind),
          open(std::move(opening)),
          close(std::move(closing)),
          openLength(openingLength),
          closeLength(closingLength) {}

    TagKind kind;
    std::string open;
    std::string close;
    int32_t openLength;
    int32_t closeLength;
};

class CStageManager {
  public:
    using Scope = CMessageHandler::Scope;

    static constexpr int kMaxReplacements = 1000;
    static constexpr size_t kMaxExpandedLength = 64 * 1024;
    static constexpr size_t kMaxScannedCharacters = size_t{64} << 20;
    // Queue runs nest at most this deep; a deeper run does not start.
    static constexpr int kMaxQueueDepth = 256;

    CStageManager();
    virtual ~CStageManager();
    CStageManager(const CStageManager&) = delete;
    CStageManager& operator=(const CStageManager&) = delete;

    // --- What a concrete stage manager reads from the title ------------------------------
    // Message `number` of the queue as stored; false (with the player's error text when
    // asked for) when it is missing or unusable, which ends a queue run there. `line`, when
    // given, receives the message's line in the queue file (0 when it has none).
    virtual bool ReadMessage(const std::string& queue, uint32_t number, std::string& text,
                             std::string* error, uint32_t* line = nullptr) = 0;
    // The name the trace gives the queue file ("msg.mii").
    virtual std::string_view QueueFileName() const = 0;
    // The role's entries as stored; false (with the player's error text when asked for) when
    // the role cannot be used. Entries read before a fault stay in `values`.
    virtual bool ReadRole(const std::string& role, RoleValues& values, std::string* error) = 0;

    // --- The handler table ---------------------------------------------------------------
    bool IsLoaded(std::string_view name) const { return handlers_.count(name) != 0; }
    // A handler is created: it enters the table under its name, replacing an entry of the
    // same name, and counts as alive until it is destroyed.
    void Enter(CMessageHandler& handler);
    // The table forgets the handler's entry; the handler lives on. Removes the entry only
    // while it still refers to that handler, so a handler that was replaced under its name
    // cannot take its successor's entry with it.
    void RemoveEntry(std::string_view name, const CMessageHandler& handler);
    // An entered handler is destroyed: its entry goes, and it no longer counts as alive.
    void HandlerDestroyed(std::string_view name, const CMessageHandler& handler);
    CMessageHandler* Find(std::string_view name) const;
    // Handlers created and not yet destroyed, whether the table still names them or not.
    int LiveHandlers() const { return liveHandlers_; }
    // A bound far above any title, so that roles that multiply cannot exhaust memory.
    static constexpr int kMaxLiveHandlers = 50'000;

    // --- Running queues ------------------------------------------------------------------
    // Runs a queue on behalf of `by`: the queue of that name (plain scope) or by's event
    // queue "<by>|<name>" (event scope). True when the queue holds a message 1 and ran. The
    // run survives anything its messages do, `by`'s destruction included.
    bool RunQueue(std::string_view name, CMessageHandler& by, Scope scope);
    // Runs one message text that comes from outside the title (a line of a headless input
    // script) as message `number` of a queue named `source` would run: expanded with the
    // state of the moment, parsed, sent to its target by name and traced the same way. It is
    // a dispatch of its own; while a queue runs, or once the budget is spent, nothing runs.
    void RunMessageText(std::string text, const std::string& source, uint32_t number);
    CWorkBudget& Budget() { return budget_; }

    // --- Roles and messages, tags expanded -----------------------------------------------
    // The role's entries without "MetaDataType", every value's tags expanded; unreadable
    // roles are traced and give what was read.
    RoleValues GetRoleProperties(const std::string& role);
    std::string GetRoleType(const std::string& role);
    // Expands and parses a message text already read; queue and number name it in the trace,
    // and so does its line in the queue file when it has one (not 0).
    CMessage BuildMessage(std::string& text, const std::string& queue, uint32_t number,
                          uint32_t line = 0);

    bool ExpandTags(std::string& text, std::string* error);
    // The characters the last expansion looked at and wrote; its callers spend them from the
    // work budget (kScannedCharactersPerUnit to a unit).
    size_t ExpansionWork() const { return expansionWork_; }
    static constexpr size_t kScannedCharactersPerUnit = 1024;
    // The value of one tag: a live handler's property, or "" for the hash mark. A stage
    // manager that reads a title without playing it answers for the handlers it would have.
    virtual bool EvaluateTag(std::string_view content, TagKind kind, std::string& value,
                             std::string* error);

    static constexpr std::string_view kInvalidTargetText =
        "Message %d in message queue \"%s\" has an invalid target \"%s\".";
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
    // One message of a run: built from `text`, sent to `self` when it names it (and `self`
    // still lives) or else to the handler of its target's name.
    void RunMessage(std::string& text, const std::string& queue, uint32_t number, uint32_t line,
                    CMessageHandler* self, const std::weak_ptr<const char>& alive);

    CTag tags_[2];
    std::map<std::string, CMessageHandler*, std::less<>> handlers_;
    CWorkBudget budget_;
    size_t expansionWork_ = 0;
    int liveHandlers_ = 0;
};

}  // namespace stagehand
