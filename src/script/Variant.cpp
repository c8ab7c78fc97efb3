#include "script/Variant.h"

#include <array>
#include <cstring>

#include "base/Format.h"
#include "script/Delimiters.h"
#include "script/TextUtil.h"

namespace stagehand {

namespace d = delimiters;

namespace {

constexpr std::string_view kMissingBeginning = "String '%s' is missing its beginning delimiter.\n";
constexpr std::string_view kMissingEnd = "String '%s' is missing its end delimiter.\n";
constexpr std::string_view kInvalidLiteral =
    "String '%s' contains an invalid use of the literal delimiter \"%s\".\n";

// What may follow the literal delimiter, in the order the reader tries them.
constexpr std::array<std::string_view, 7> kEscapable = {
    d::StringBegin, d::StringEnd, d::TagBegin,         d::TagEnd,
    d::HashMark,    d::HashMark,  d::LiteralDelimiter,
};

// Texts compare as C strings, byte by byte without sign, up to the first NUL: the ordinal
// comparison the titles' conditions were written against.
int CompareTexts(const std::string& a, const std::string& b) {
    return std::strcmp(a.c_str(), b.c_str());
}

}  // namespace

int32_t CVariant::TypeFromName(std::string_view typeName) {
    if (typeName == IntegerTypeName) {
        return kInteger;
    }
    if (typeName == StringTypeName) {
        return kString;
    }
    if (typeName == BooleanTypeName) {
        return kBoolean;
    }
    if (typeName == QuotedStringTypeName) {
        return kQuotedString;
    }
    return -1;
}

std::string_view CVariant::TypeName(int32_t type) {
    switch (type) {
        case kInteger:
            return IntegerTypeName;
        case kString:
            return StringTypeName;
        case kBoolean:
            return BooleanTypeName;
        case kQuotedString:
            return QuotedStringTypeName;
        default:
            return {};
    }
}

bool CVariant::Create(std::string_view initialText, std::string_view typeName) {
    Clear();
    bool set = false;
    if (typeName == StringTypeName) {
        set = SetValue(std::string_view{}, kString);
    } else if (typeName == QuotedStringTypeName) {
        set = SetValue(Enquote({}), kQuotedString);
    } else if (typeName == IntegerTypeName) {
        set = SetValue(0, kInteger);
    } else if (typeName == BooleanTypeName) {
        set = SetValue(0, kBoolean);
    }
    if (!set) {
        return false;
    }
    if (!initialText.empty() && !SetFromText(initialText)) {
        Clear();
        return false;
    }
    return true;
}

bool CVariant::SetValue(int32_t number, Type type) {
    if (!HoldsInteger(type)) {
        return false;
    }
    ownedInteger_ = number;
    boundInteger_ = nullptr;
    boundText_ = nullptr;
    type_ = type;
    owned_ = true;
    valid_ = true;
    return true;
}

bool CVariant::SetValue(std::string_view text, Type type) {
    if (!HoldsText(type)) {
        return false;
    }
    if (type == kQuotedString) {
        // The held content is whatever the reader produced, also when it stopped early.
        std::string content;
        ParseQuoted(text, content, nullptr);
        ownedText_ = std::move(content);
    } else {
        ownedText_.assign(text);
    }
    boundInteger_ = nullptr;
    boundText_ = nullptr;
    type_ = type;
    owned_ = true;
    valid_ = true;
    return true;
}

bool CVariant::Bind(int32_t* storage, Type type) {
    if (storage == nullptr || !HoldsInteger(type)) {
        return false;
    }
    Clear();
    boundInteger_ = storage;
    type_ = type;
    valid_ = true;
    return true;
}

bool CVariant::Bind(std::string* storage, Type type) {
    if (storage == nullptr || !HoldsText(type)) {
        return false;
    }
    Clear();
    boundText_ = storage;
    type_ = type;
    valid_ = true;
    return true;
}

void CVariant::Clear() {
    ownedInteger_ = 0;
    ownedText_.clear();
    boundInteger_ = nullptr;
    boundText_ = nullptr;
    owned_ = false;
    valid_ = false;
}

void CVariant::Assign(const CVariant& other) {
    if (&other == this) {
        return;
    }
    if (valid_ && owned_) {
        Clear();
    }
    if (!other.valid_) {
        return;
    }
    if (HoldsInteger(other.type_)) {
        SetValue(other.GetInteger(), other.type_);
    } else if (other.type_ == kQuotedString) {
        SetValue(other.ToQuotedText(), kQuotedString);
    } else {
        SetValue(other.GetString(), other.type_);
    }
}

bool CVariant::SetFromText(std::string_view text) {
    if (!valid_) {
        return false;
    }
    if (HoldsInteger(type_)) {
        *IntegerStorage() = ReadInteger(text);
        return true;
    }
    if (type_ == kString) {
        TextStorage()->assign(text);
        return true;
    }
    std::string content;
    if (!ParseQuoted(text, content, nullptr)) {
        return false;
    }
    *TextStorage() = std::move(content);
    return true;
}

std::string CVariant::ToText() const {
    if (!valid_) {
        return {};
    }
    if (HoldsInteger(type_)) {
        return WriteInteger(*IntegerStorage());
    }
    return *TextStorage();
}

std::string CVariant::ToQuotedText() const {
    const std::string* text = valid_ && HoldsText(type_) ? TextStorage() : nullptr;
    return Enquote(text != nullptr ? std::string_view(*text) : std::string_view{});
}

int32_t CVariant::GetInteger() const {
    return valid_ && HoldsInteger(type_) ? *IntegerStorage() : 0;
}

std::string CVariant::GetString() const {
    return valid_ && HoldsText(type_) ? *TextStorage() : std::string{};
}

bool CVariant::SetFromLiteral(std::string_view text) {
    if (text.find(d::StringBegin) != std::string_view::npos) {
        std::string content;
        std::string discarded;
        ParseQuoted(text, content, &discarded);
        return SetValue(content, kString);
    }
    return SetValue(ReadInteger(text), kInteger);
}

bool CVariant::IsEqual(const CVariant& other) const {
    if (!valid_ || !other.valid_) {
        return false;
    }
    if (HoldsInteger(type_) && HoldsInteger(other.type_)) {
        return GetInteger() == other.GetInteger();
    }
    if (type_ == other.type_) {
        return CompareTexts(*TextStorage(), *other.TextStorage()) == 0;
    }
    return false;
}

bool CVariant::IsLess(const CVariant& other) const {
    if (!valid_ || !other.valid_) {
        return false;
    }
    if (HoldsInteger(type_) && HoldsInteger(other.type_)) {
        return GetInteger() < other.GetInteger();
    }
    if (type_ == other.type_) {
        return CompareTexts(*TextStorage(), *other.TextStorage()) < 0;
    }
    return false;
}

bool CVariant::IsNotEqual(const CVariant& other) const {
    return !IsEqual(other);
}

bool CVariant::IsLessOrEqual(const CVariant& other) const {
    return IsEqual(other) || IsLess(other);
}

bool CVariant::IsGreater(const CVariant& other) const {
    return !IsLessOrEqual(other);
}

bool CVariant::IsGreaterOrEqual(const CVariant& other) const {
    return IsEqual(other) || IsGreater(other);
}

bool CVariant::ParseQuoted(std::string_view text, std::string& content, std::string* error) {
    if (error != nullptr) {
        error->clear();
    }
    const std::string_view given = text;
    if (!text.starts_with(d::StringBegin)) {
        if (error != nullptr) {
            *error = FormatText(kMissingBeginning, {given});
        }
        return false;
    }
    text.remove_prefix(d::StringBegin.size());
    if (!text.ends_with(d::StringEnd)) {
        if (error != nullptr) {
            *error = FormatText(kMissingEnd, {given});
        }
        return false;
    }
    text.remove_suffix(d::StringEnd.size());

    content.clear();
    size_t p = text.find(d::LiteralDelimiter);
    while (p != std::string_view::npos) {
        const std::string_view following = text.substr(p + d::LiteralDelimiter.size());
        const std::string_view* match = nullptr;
        for (const std::string_view& escapable : kEscapable) {
            if (following.starts_with(escapable)) {
                match = &escapable;
                break;
            }
        }
        if (match == nullptr) {
            if (error != nullptr) {
                *error = FormatText(kInvalidLiteral, {given, d::LiteralDelimiter});
            }
            return false;
        }
        content.append(text.substr(0, p));
        content.append(*match);
        text.remove_prefix(p + d::LiteralDelimiter.size() + match->size());
        p = text.find(d::LiteralDelimiter);
    }
    content.append(text);
    return true;
}

std::string CVariant::Enquote(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.append(d::StringBegin).append(text).append(d::StringEnd);
    return quoted;
}

const int32_t* CVariant::IntegerStorage() const {
    return owned_ ? &ownedInteger_ : boundInteger_;
}

const std::string* CVariant::TextStorage() const {
    return owned_ ? &ownedText_ : boundText_;
}

int32_t* CVariant::IntegerStorage() {
    return owned_ ? &ownedInteger_ : boundInteger_;
}

std::string* CVariant::TextStorage() {
    return owned_ ? &ownedText_ : boundText_;
}

}  // namespace stagehand
