#include "script/Message.h"

#include "script/Delimiters.h"
#include "script/TextUtil.h"

namespace stagehand {

namespace d = delimiters;

namespace {

constexpr size_t npos = std::string_view::npos;

bool Fail(std::string* error, std::string_view text) {
    if (error != nullptr) {
        error->assign(text);
    }
    return false;
}

bool HasSpaceAtEnds(std::string_view text) {
    return !text.empty() && (IsScriptSpace(text.front()) || IsScriptSpace(text.back()));
}

bool ParseElements(std::string_view text, std::vector<std::string>& list, std::string* error);

// Finds the delimiter that ends a quoted element, or fails. Sets `end` to the position of
// the element delimiter after the closing quote, or npos when the element is the last.
bool FindQuotedEnd(std::string_view text, size_t& end, std::string* error) {
    // Only the one character before a closing quote is looked at, so a string ending in an
    // escaped backslash reads as still open.
    size_t close = text.find(d::StringEnd, d::StringBegin.size());
    while (close != npos && text.substr(0, close).ends_with(d::LiteralDelimiter)) {
        close = text.find(d::StringEnd, close + d::StringEnd.size());
    }
    if (close == npos) {
        return Fail(error, CMessage::kMissingEndString);
    }
    end = text.find(d::DataElementDelimiter, close + d::StringEnd.size());

    // Every literal delimiter in the body, up to the element's end, must escape something.
    const size_t bodyEnd = end == npos ? text.size() : end;
    for (size_t i = d::StringBegin.size(); i < bodyEnd; ++i) {
        if (text.substr(i, d::LiteralDelimiter.size()) != d::LiteralDelimiter) {
            continue;
        }
        const size_t next = i + d::LiteralDelimiter.size();
        if (next >= bodyEnd || d::EscapableCharacters.find(text[next]) == npos) {
            return Fail(error, CMessage::kIllegalLiteral);
        }
        i = next;  // the escaped character is skipped
    }
    return true;
}

// Checks an array element at the start of text and parses its body. Sets `end` as for a
// quoted element, and `normal` to the array written without blanks: that is the element's
// text when more elements follow it.
bool ReadArray(std::string_view text, size_t& end, std::string& normal, std::string* error) {
    const size_t close = text.find(d::ArrayEnd, d::ArrayBegin.size());
    if (close == npos) {
        return Fail(error, CMessage::kMissingEndArray);
    }
    const size_t afterClose = close + d::ArrayEnd.size();
    end = text.find(d::DataElementDelimiter, afterClose);
    const size_t gapEnd = end == npos ? text.size() : end;
    if (!Trim(text.substr(afterClose, gapEnd - afterClose)).empty()) {
        return Fail(error, CMessage::kJunkAfterElement);
    }
    const std::string_view body = text.substr(d::ArrayBegin.size(), close - d::ArrayBegin.size());
    if (body.find(d::ArrayBegin) != npos) {
        return Fail(error, CMessage::kExtraArrayDelimiter);
    }
    std::vector<std::string> inner;
    if (!ParseElements(body, inner, error)) {
        return false;
    }
    normal.assign(d::ArrayBegin);
    for (size_t i = 0; i < inner.size(); ++i) {
        if (i > 0) {
            normal += d::DataElementDelimiter;
        }
        normal += inner[i];
    }
    normal += d::ArrayEnd;
    return true;
}

// Splits a data list (or an array's body) into elements, appending each to list.
bool ParseElements(std::string_view text, std::vector<std::string>& list, std::string* error) {
    text = Trim(text);
    std::string normalArray;
    while (true) {
        size_t end = npos;
        const bool isArray = text.starts_with(d::ArrayBegin);
        if (isArray) {
            if (!ReadArray(text, end, normalArray, error)) {
                return false;
            }
        } else if (text.starts_with(d::StringBegin)) {
            if (!FindQuotedEnd(text, end, error)) {
                return false;
            }
        } else {
            end = text.find(d::DataElementDelimiter);
        }
        if (end == 0) {
            return Fail(error, CMessage::kExtraElementDelimiter);
        }
        if (end == npos) {
            // The last element stands as written, an array included.
            list.emplace_back(TrimLeft(text));
            return true;
        }
        if (isArray) {
            list.push_back(normalArray);
        } else {
            list.emplace_back(TrimRight(text.substr(0, end)));
        }
        text = TrimLeft(text.substr(end + d::DataElementDelimiter.size()));
        if (text.empty()) {
            return Fail(error, CMessage::kExtraElementDelimiter);
        }
    }
}

// Takes the target off the front of `text`: everything before the first target command
// delimiter, which must come before any data list.
bool TakeTarget(std::string_view& text, std::string& target, std::string* error) {
    const size_t dot = text.find(d::TargetCommandDelimiter);
    const size_t firstOpen = text.find(d::DataListBegin);
    if (dot == npos || (firstOpen != npos && firstOpen < dot)) {
        return Fail(error, CMessage::kMissingTargetCommandDelimiter);
    }
    const std::string_view targetText = text.substr(0, dot);
    if (targetText.empty()) {
        return Fail(error, CMessage::kNoTarget);
    }
    if (IsScriptSpace(targetText.back())) {
        return Fail(error, CMessage::kWhitespaceBeforeDelimiter);
    }
    target.assign(targetText);
    text.remove_prefix(dot + d::TargetCommandDelimiter.size());
    return true;
}

// Takes the command off the front of `text`: up to the data list, whose opening delimiter
// goes too (`hasList`), or the whole rest when there is none.
bool TakeCommand(std::string_view& text, std::string& command, bool& hasList, std::string* error) {
    const size_t open = text.find(d::DataListBegin);
    hasList = open != npos;
    const std::string_view commandText = hasList ? text.substr(0, open) : text;
    if (HasSpaceAtEnds(commandText)) {
        return Fail(error, CMessage::kWhitespaceAroundCommand);
    }
    if (!hasList && commandText.find(d::DataListEnd) != npos) {
        return Fail(error, CMessage::kMissingDataListDelimiter);
    }
    if (commandText.empty()) {
        return Fail(error, CMessage::kNoCommand);
    }
    command.assign(commandText);
    if (command.find(d::TargetCommandDelimiter) != npos) {
        return Fail(error, CMessage::kExtraTargetCommandDelimiter);
    }
    text.remove_prefix(hasList ? open + d::DataListBegin.size() : text.size());
    return true;
}

// Reads the data list after its opening delimiter. It ends at the first closing delimiter
// that no string delimiter follows, so that one inside a quoted string is passed over.
bool ReadDataList(std::string_view text, std::vector<std::string>& data, std::string* error) {
    const size_t lastQuote = text.rfind(d::StringEnd);
    const size_t close =
        text.find(d::DataListEnd, lastQuote == npos ? 0 : lastQuote + d::StringEnd.size());
    if (close == npos) {
        return Fail(error, CMessage::kMissingDataListDelimiter);
    }
    if (!TrimLeft(text.substr(close + d::DataListEnd.size())).empty()) {
        return Fail(error, CMessage::kJunkAfterDataList);
    }
    const std::string_view list = Trim(text.substr(0, close));
    return list.empty() || ParseElements(list, data, error);
}

}  // namespace

CMessage::CMessage(std::string_view text) {
    Parse(text);
}

bool CMessage::Parse(std::string_view text, std::string* error) {
    target.clear();
    command.clear();
    data.clear();
    if (error != nullptr) {
        error->clear();
    }
    text = TrimLeft(text);
    bool hasList = false;
    return TakeTarget(text, target, error) && TakeCommand(text, command, hasList, error) &&
           (!hasList || ReadDataList(text, data, error));
}

std::string CMessage::Dump() const {
    std::string out = "\nTarget = " + target + "\nCommand = " + command + "\n";
    if (!data.empty()) {
        out += "Data: ";
        for (size_t i = 0; i < data.size(); ++i) {
            if (i > 0) {
                out += d::DataElementDelimiter;
            }
            out += data[i];
        }
        out += "\n";
    }
    return out;
}

}  // namespace stagehand
