// CVariant: the typed value behind every datum a script names or passes.
//
// A value has one of four types: integer (0), string (1), boolean (2) and quoted string (3).
// It either owns its datum or is bound to storage that belongs to somebody else, normally a
// field of a message handler, so that writing the value from script text writes straight
// into that field. Clearing or destroying a bound value never touches the bound storage.
//
// Where it bites:
// - `Assign` always produces an owned copy, even onto a bound value: the binding is dropped.
// - Quoted strings are held without their delimiters; `ToQuotedText` does not escape, so a
//   content holding a backslash does not survive a round trip through `Assign` unchanged.
// - Values of different kinds (text against number) are neither equal nor less, so
//   `IsGreater` and `IsNotEqual` are true for them. Titles' conditions rely on this.
// - Reading an invalid value gives 0 or the empty text; comparing with one is never equal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace stagehand {

class CVariant {
  public:
    enum Type : int32_t {
        kInteger = 0,
        kString = 1,
        kBoolean = 2,
        kQuotedString = 3,
    };

    static constexpr std::string_view IntegerTypeName = "integer";
    static constexpr std::string_view StringTypeName = "string";
    static constexpr std::string_view BooleanTypeName = "boolean";
    static constexpr std::string_view QuotedStringTypeName = "quoted string";

    CVariant() = default;
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    CVariant(CVariant&&) noexcept = default;
    CVariant& operator=(CVariant&&) noexcept = default;
    ~CVariant() = default;

    // Sets up a fresh value of the named type ("integer", "string", "boolean", "quoted
    // string") and, when initialText is not empty, writes it with SetFromText. Fails for an
    // unknown type name, or when the initial text cannot be read; the value is then invalid.
    bool Create(std::string_view initialText, std::string_view typeName);

    // Owned storage holding the datum. For type 3 the text is a quoted literal and the value
    // holds what ParseQuoted produced from it, even when it stopped early. Fails, changing
    // nothing, when the type does not hold that kind of datum.
    bool SetValue(int32_t number, Type type);
    bool SetValue(std::string_view text, Type type);

    // Refers to storage owned elsewhere: an integer for types 0 and 2, a text for 1 and 3.
    bool Bind(int32_t* storage, Type type);
    bool Bind(std::string* storage, Type type);

    void Clear();

    // Makes this value an owned copy of other (or leaves it alone when other is invalid).
    void Assign(const CVariant& other);

    // Writes a datum given as script text into the existing storage, keeping type and
    // binding. Integers and booleans read any text; a quoted string needs a quoted literal
    // and keeps its content when the text is not one.
    bool SetFromText(std::string_view text);

    std::string ToText() const;
    std::string ToQuotedText() const;
    int32_t GetInteger() const;
    std::string GetString() const;

    // Reads an expression operand: text holding a string delimiter anywhere becomes a string
    // with the quoted literal's content; anything else becomes an integer.
    bool SetFromLiteral(std::string_view text);

    bool IsEqual(const CVariant& other) const;
    bool IsNotEqual(const CVariant& other) const;
    bool IsLess(const CVariant& other) const;
    bool IsLessOrEqual(const CVariant& other) const;
    bool IsGreater(const CVariant& other) const;
    bool IsGreaterOrEqual(const CVariant& other) const;

    Type GetType() const { return type_; }
    bool IsOwned() const { return owned_; }
    bool IsValid() const { return valid_; }

    // Reads a quoted literal: delimiters around it, and inside only the literal delimiter is
    // special, followed by one of the escapable characters. On failure `content` holds what
    // was read before the fault and `error` (when given) the reason.
    static bool ParseQuoted(std::string_view text, std::string& content, std::string* error);
    static std::string Enquote(std::string_view text);

    // The type number for a type name, or -1 for an unknown name.
    static int32_t TypeFromName(std::string_view typeName);
    static std::string_view TypeName(int32_t type);

  private:
    static bool HoldsInteger(Type type) { return type == kInteger || type == kBoolean; }
    static bool HoldsText(Type type) { return type == kString || type == kQuotedString; }

    const int32_t* IntegerStorage() const;
    const std::string* TextStorage() const;
    int32_t* IntegerStorage();
    std::string* TextStorage();

    Type type_ = kInteger;
    bool owned_ = false;
    bool valid_ = false;
    // Owned data lives here; bound data behind the pointers. `owned_` says which is in use.
    int32_t ownedInteger_ = 0;
    std::string ownedText_;
    int32_t* boundInteger_ = nullptr;
    std::string* boundText_ = nullptr;
};

}  // namespace stagehand
