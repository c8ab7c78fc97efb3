#include "kernel/StageManager.h"

#include <algorithm>
#include <cassert>

#include "base/Format.h"
#include "script/Delimiters.h"
#include "script/TextUtil.h"
#include "trace/Trace.h"

namespace stagehand {

namespace d = delimiters;

namespace {

constexpr std::string_view kEscape = d::LiteralDelimiter;
constexpr std::string_view kMetaDataTypeKey = "MetaDataType";
constexpr std::string_view kTypeKey = "Type";

// The first `count` characters, at most the whole text; a negative count gives "".
std::string_view Left(std::string_view text, int64_t count) {
    return text.substr(0, static_cast<size_t>(std::clamp<int64_t>(count, 0, text.size())));
}

// The last `count` characters, at most the whole text; a negative count gives "".
std::string_view Right(std::string_view text, int64_t count) {
    const auto n = static_cast<size_t>(std::clamp<int64_t>(count, 0, text.size()));
    return text.substr(text.size() - n);
}

// `count` characters from `start`, cut to what the text holds.
std::string_view Mid(std::string_view text, int64_t start, int64_t count) {
    if (start < 0 || count <= 0 || static_cast<size_t>(start) >= text.size()) {
        return {};
    }
    return text.substr(static_cast<size_t>(start), static_cast<size_t>(count));
}

std::string Joined(std::string_view head, std::string_view value, std::string_view tail) {
    std::string joined;
    joined.reserve(head.size() + value.size() + tail.size());
    joined += head;
    joined += value;
    joined += tail;
    return joined;
}

// Fills the caller's error text, when one was asked for, from one of the player's templates.
bool Fail(std::string* error, std::string_view pattern,
          std::initializer_list<FormatArg> args = {}) {
    if (error != nullptr) {
        *error = FormatText(pattern, args);
    }
    return false;
}

}  // namespace

CStageManager::CStageManager()
    : tags_{CTag(TagKind::kProperty, std::string(d::TagBegin), 1, std::string(d::TagEnd), 1),
            CTag(TagKind::kHashMark, std::string(d::HashMark), 1, std::string(d::HashMark), 1)} {}

CStageManager::~CStageManager() = default;

void CStageManager::Enter(CMessageHandler& handler) {
    handlers_.insert_or_assign(handler.GetName(), &handler);
    ++liveHandlers_;
}

void CStageManager::HandlerDestroyed(std::string_view name, const CMessageHandler& handler) {
    RemoveEntry(name, handler);
    --liveHandlers_;
}

void CStageManager::RemoveEntry(std::string_view name, const CMessageHandler& handler) {
    const auto found = handlers_.find(name);
    if (found != handlers_.end() && found->second == &handler) {
        handlers_.erase(found);
    }
}

CMessageHandler* CStageManager::Find(std::string_view name) const {
    const auto found = handlers_.find(name);
    return found == handlers_.end() ? nullptr : found->second;
}

bool CStageManager::RunQueue(std::string_view name, CMessageHandler& by, Scope scope) {
    std::string queue;
    if (scope == CMessageHandler::kPlainScope) {
        queue = name;
    } else {
        queue.reserve(by.GetName().size() + CMessageHandler::kEventSeparator.size() + name.size());
        queue += by.GetName();
        queue += CMessageHandler::kEventSeparator;
        queue += name;
    }
    // A queue exists when it holds a message 1; its text is kept for the first step.
    std::string text;
    uint32_t line = 0;
    if (budget_.IsSpent() || !ReadMessage(queue, 1, text, nullptr, &line)) {
        return false;
    }
    if (budget_.Depth(CWorkBudget::Kind::kQueueRun) >= kMaxQueueDepth) {
        if (budget_.FirstOfDispatch()) {
            trace::Fault(
                "The message queue \"%s\" was not run: queue runs are already nested %d deep.",
                {queue, kMaxQueueDepth});
        }
        return false;
    }
    const CWorkBudget::Step step(budget_, CWorkBudget::Kind::kQueueRun);

    // The run's own copy of who it runs for: a message may destroy that handler.
    const std::string self = by.GetName();
    const std::weak_ptr<const char> alive = by.LifeToken();
    // Only a run no other queue started can have been started by the user's input.
    trace::QueueRun(queue, self, budget_.Depth(CWorkBudget::Kind::kQueueRun) == 1);

    // Message n runs while it can be read; the first missing (or unreadable) number ends it.
    uint32_t number = 1;
    do {
        if (!budget_.Spend(CWorkBudget::kMessageCost, "The message queue", queue)) {
            break;
        }
        RunMessage(text, queue, number, line, &by, alive);
    } while (ReadMessage(queue, ++number, text, nullptr, &line));
    return true;
}

void CStageManager::RunMessage(std::string& text, const std::string& queue, uint32_t number,
                               uint32_t line, CMessageHandler* self,
                               const std::weak_ptr<const char>& alive) {
    const CMessage message = BuildMessage(text, queue, number, line);
    CMessageHandler* target = nullptr;
    if (self != nullptr && !alive.expired() && message.target == self->GetName()) {
        target = self;
    } else {
        target = Find(message.target);
    }
    if (target != nullptr) {
        target->ExecuteMessage(message);
    } else {
        trace::Fault(kInvalidTargetText, {number, queue, message.target});
    }
}

void CStageManager::RunMessageText(std::string text, const std::string& source, uint32_t number) {
    if (budget_.IsSpent() || budget_.Depth(CWorkBudget::Kind::kQueueRun) > 0) {
        return;
    }
    const CWorkBudget::Step step(budget_, CWorkBudget::Kind::kQueueRun);
    if (!budget_.Spend(CWorkBudget::kMessageCost, "The message queue", source)) {
        return;
    }
    RunMessage(text, source, number, 0, nullptr, {});
}

RoleValues CStageManager::GetRoleProperties(const std::string& role) {
    RoleValues values;
    std::string error;
    if (!ReadRole(role, values, trace::IsOn() ? &error : nullptr)) {
        trace::Fault(error);
    }
    values.erase(std::string(kMetaDataTypeKey));
    for (auto& [key, value] : values) {
        std::string expandError;
        if (!ExpandTags(value, trace::IsOn() ? &expandError : nullptr)) {
            trace::Fault("Role %s, key %s: %s", {role, key, expandError});
        }
        budget_.Spend(expansionWork_ / kScannedCharactersPerUnit, "The role", role);
    }
    return values;
}

std::string CStageManager::GetRoleType(const std::string& role) {
    RoleValues values = GetRoleProperties(role);
    const auto found = values.find(std::string(kTypeKey));
    return found == values.end() ? std::string() : found->second;
}

CMessage CStageManager::BuildMessage(std::string& text, const std::string& queue, uint32_t number,
                                     uint32_t line) {
    CMessage message;
    if (!trace::IsOn()) {
        ExpandTags(text, nullptr);
        budget_.Spend(expansionWork_ / kScannedCharactersPerUnit, "The message queue", queue);
        message.Parse(text);
        return message;
    }
    std::string error;
    if (!ExpandTags(text, &error)) {
        trace::Fault(error);
    }
    budget_.Spend(expansionWork_ / kScannedCharactersPerUnit, "The message queue", queue);
    trace::MessageRun(queue, number, text,
                      line == 0 ? trace::Place{} : trace::Place{QueueFileName(), line});
    error.clear();
    if (!message.Parse(text, &error)) {
        trace::Fault("Message %d in message queue \"%s\": %s", {number, queue, error});
    }
    return message;
}

// Tag expansion, step by step as the player always did it, in one pass. The player's own
// steps cut each escaped delimiter out of a working copy of the text and searched again from
// its start, and after each replacement started over on the new text; the steps below give
// the same cuts, positions and results while looking at each character once. Per delimiter
// pair, the working copy is `kept` (what the search for open delimiters has passed, escaped
// opens cut) followed by `source` from `next` on, not yet looked at. The search for the close
// delimiter walks the same copy from its start and cuts escaped closes into `closed`. After a
// replacement the text before the tag is unchanged, and so is what both searches made of it,
// so they go on from there; only where that does not hold (the working copy was not the text
// itself, or an escape came from before the copy's start) does the next round start over.
bool CStageManager::ExpandTags(std::string& text, std::string* error) {
    std::string result = std::move(text);
    // Kept across both delimiter pairs, as the player always did; '\0' is none yet.
    char lookBehind = '\0';
    const char escape = kEscape[0];
    int64_t openShift = 0;
    int replacements = 0;
    size_t scanned = 0;
    const auto done = [&](bool ok) {
        expansionWork_ = scanned;
        return ok;
    };
    // The working copy as the last delimiter pair left it.
    std::string leftover;
    const std::string* source = &result;

    for (const CTag& tag : tags_) {
        const char open = tag.open[0];
        const char close = tag.close[0];
        std::string kept;
        size_t next = 0;
        // Whether `source` is the result itself (nothing was cut from it), so that the text
        // before a replaced tag may be kept as it was looked at.
        bool resumable = openShift == 0;
        std::string closed;
        size_t closedFrom = 0;  // how much of `kept` the close search has passed
        int64_t closeShift = 0;
        while (true) {
            // The search for an open delimiter that no escape precedes.
            size_t p = std::string::npos;
            while (next < source->size()) {
                ++scanned;
                const char c = (*source)[next];
                if (c != open) {
                    kept.push_back(c);
                    ++next;
                    continue;
                }
                if (!kept.empty()) {
                    lookBehind = kept.back();
                } else if (lookBehind == escape) {
                    resumable = false;  // the escape came from before the copy's start
                }
                if (lookBehind == escape) {
                    ++openShift;
                    ++next;
                    continue;
                }
                p = kept.size();
                break;
            }
            if (scanned > kMaxScannedCharacters) {
                text = std::move(result);
                return done(Fail(error, kTooMuchScanningText, {text}));
            }
            if (p == std::string::npos) {
                const size_t q = kept.find(close);
                if (q != std::string::npos && q > 0) {
                    lookBehind = kept[q - 1];
                    if (lookBehind != escape) {
                        text = std::move(kept);
                        return done(Fail(error, kMissingStartText, {result}));
                    }
                }
                leftover = std::move(kept);
                source = &leftover;
                break;
            }

            // The search for a close delimiter that no escape precedes, from the copy's start;
            // escaped ones are cut. Past `p` it reads the source, where no open was cut yet.
            size_t q = std::string::npos;
            size_t closedAtOpen = 0;
            int64_t closeShiftAtOpen = 0;
            const size_t total = kept.size() + (source->size() - next);
            for (size_t at = closedFrom; at < total; ++at) {
                if (at == p) {
                    closedAtOpen = closed.size();
                    closeShiftAtOpen = closeShift;
                }
                ++scanned;
                const char c = at < p ? kept[at] : (*source)[next + (at - p)];
                if (c == close) {
                    lookBehind = closed.empty() ? close : closed.back();
                    if (lookBehind != escape) {
                        q = closed.size();
                        break;
                    }
                    ++closeShift;
                    continue;
                }
                closed.push_back(c);
            }
            if (q == std::string::npos) {
                text = std::move(closed);
                return done(Fail(error, kMissingEndText, {result}));
            }
            if (scanned > kMaxScannedCharacters) {
                text = std::move(result);
                return done(Fail(error, kTooMuchScanningText, {text}));
            }

            const auto pos = static_cast<int64_t>(p);
            const auto end = static_cast<int64_t>(q);
            const std::string_view content = Mid(result, pos + openShift + tag.openLength,
                                                 end - tag.openLength - pos + closeShift);
            std::string value;
            if (!EvaluateTag(content, tag.kind, value, error)) {
                text = std::move(result);
                return done(false);
            }
            if (tag.kind == TagKind::kProperty && ++replacements > kMaxReplacements) {
                text = std::move(result);
                return done(Fail(error, kTooManyReplacementsText, {kMaxReplacements, text}));
            }
            const int64_t length = static_cast<int64_t>(result.size());
            const std::string_view head = Left(result, pos + openShift);
            const std::string_view tail =
                Right(result, length - tag.closeLength - end - closeShift - openShift);
            if (head.size() + value.size() + tail.size() > kMaxExpandedLength) {
                text = std::move(result);
                return done(
                    Fail(error, kTooLongText, {static_cast<uint32_t>(kMaxExpandedLength), text}));
            }
            result = Joined(head, value, tail);
            // Building the new text is work too: a text of many tags costs its length each.
            scanned += result.size();
            if (resumable && q >= p) {
                // Both searches go on after the unchanged text before the tag.
                kept.resize(p);
                next = head.size();
                closed.resize(closedAtOpen);
                closedFrom = p;
                closeShift = closeShiftAtOpen;
            } else {
                kept.clear();
                next = 0;
                closed.clear();
                closedFrom = 0;
                closeShift = 0;
                openShift = 0;
                resumable = true;
            }
            source = &result;
        }
    }
    text = std::move(result);
    return done(true);
}

bool CStageManager::EvaluateTag(std::string_view content, TagKind kind, std::string& value,
                                std::string* error) {
    value.clear();
    if (kind == TagKind::kHashMark) {
        return true;
    }
    if (content.empty()) {
        return Fail(error, kNoDataText);
    }
    const size_t dot = content.find(d::TargetCommandDelimiter);
    if (dot == std::string_view::npos) {
        return Fail(error, kMissingDelimiterText, {content});
    }
    const std::string_view handlerName = Trim(content.substr(0, dot));
    const std::string_view property = Trim(content.substr(dot + 1));
    if (!CMessageHandler::IsValidName(handlerName)) {
        return Fail(error, kInvalidHandlerNameText, {content});
    }
    const CMessageHandler* handler = Find(handlerName);
    if (handler == nullptr) {
        return Fail(error, kNoHandlerText, {content});
    }
    if (!handler->HasProperty(property, handlerName, error)) {
        return false;
    }
    value = handler->GetProperty(property);
    return true;
}

}  // namespace stagehand
