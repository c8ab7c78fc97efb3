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

// The one-character text before position n; for n = 0 the character at 0 itself.
std::string_view CharacterBefore(const std::string& text, size_t n) {
    const size_t at = n == 0 ? 0 : n - 1;
    return at < text.size() ? std::string_view(text).substr(at, 1) : std::string_view();
}

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

// Finds the first close delimiter of the tag that no escape precedes, cutting each escaped one
// from `text` on the way (closeShift counts what went); npos when there is none.
size_t FindClose(std::string& text, const CTag& tag, std::string& lookBehind, int64_t& closeShift) {
    while (true) {
        const size_t q = text.find(tag.close);
        if (q == std::string::npos) {
            return q;
        }
        lookBehind = CharacterBefore(text, q);
        if (lookBehind != kEscape) {
            return q;
        }
        closeShift += tag.closeLength;
        text.erase(q, tag.close.size());
    }
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
    if (budget_.IsSpent() || !ReadMessage(queue, 1, text, nullptr)) {
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
    trace::QueueRun(queue, self);

    // Message n runs while it can be read; the first missing (or unreadable) number ends it.
    uint32_t number = 1;
    do {
        if (!budget_.Spend(CWorkBudget::kMessageCost, "The message queue", queue)) {
            break;
        }
        RunMessage(text, queue, number, &by, alive);
    } while (ReadMessage(queue, ++number, text, nullptr));
    return true;
}

void CStageManager::RunMessage(std::string& text, const std::string& queue, uint32_t number,
                               CMessageHandler* self, const std::weak_ptr<const char>& alive) {
    const CMessage message = BuildMessage(text, queue, number);
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
    RunMessage(text, source, number, nullptr, {});
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
    }
    return values;
}

std::string CStageManager::GetRoleType(const std::string& role) {
    RoleValues values = GetRoleProperties(role);
    const auto found = values.find(std::string(kTypeKey));
    return found == values.end() ? std::string() : found->second;
}

CMessage CStageManager::BuildMessage(std::string& text, const std::string& queue, uint32_t number) {
    CMessage message;
    if (!trace::IsOn()) {
        ExpandTags(text, nullptr);
        message.Parse(text);
        return message;
    }
    std::string error;
    if (!ExpandTags(text, &error)) {
        trace::Fault(error);
    }
    trace::MessageRun(queue, number, text);
    error.clear();
    if (!message.Parse(text, &error)) {
        trace::Fault("Message %d in message queue \"%s\": %s", {number, queue, error});
    }
    return message;
}

bool CStageManager::ExpandTags(std::string& text, std::string* error) {
    std::string result = text;
    // Kept across both delimiter pairs, as the player always did.
    std::string lookBehind;
    int64_t openShift = 0;
    int64_t closeShift = 0;
    int replacements = 0;
    size_t scanned = 0;

    for (const CTag& tag : tags_) {
        while (true) {
            scanned += text.size();
            if (scanned > kMaxScannedCharacters) {
                text = result;
                return Fail(error, kTooMuchScanningText, {result});
            }
            const size_t p = text.find(tag.open);
            if (p == std::string::npos) {
                const size_t q = text.find(tag.close);
                if (q != std::string::npos && q > 0) {
                    lookBehind = CharacterBefore(text, q);
                    if (lookBehind != kEscape) {
                        return Fail(error, kMissingStartText, {result});
                    }
                }
                break;
            }
            if (p > 0) {
                lookBehind = CharacterBefore(text, p);
            }
            if (lookBehind == kEscape) {
                // An escaped open delimiter: cut from the text, kept in the result.
                openShift += tag.openLength;
                text.erase(p, tag.open.size());
                continue;
            }
            const size_t q = FindClose(text, tag, lookBehind, closeShift);
            if (q == std::string::npos) {
                return Fail(error, kMissingEndText, {result});
            }

            text = result;
            const auto pos = static_cast<int64_t>(p);
            const auto end = static_cast<int64_t>(q);
            const std::string_view content = Mid(text, pos + openShift + tag.openLength,
                                                 end - tag.openLength - pos + closeShift);
            std::string value;
            if (!EvaluateTag(content, tag.kind, value, error)) {
                return false;
            }
            if (tag.kind == TagKind::kProperty && ++replacements > kMaxReplacements) {
                return Fail(error, kTooManyReplacementsText, {kMaxReplacements, result});
            }
            const int64_t length = static_cast<int64_t>(text.size());
            const std::string_view head = Left(text, pos + openShift);
            const std::string_view tail =
                Right(text, length - tag.closeLength - end - closeShift - openShift);
            if (head.size() + value.size() + tail.size() > kMaxExpandedLength) {
                return Fail(error, kTooLongText,
                            {static_cast<uint32_t>(kMaxExpandedLength), result});
            }
            result = Joined(head, value, tail);
            text = result;
            openShift = 0;
            closeShift = 0;
        }
    }
    text = result;
    return true;
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
