// CMessage: one line of script, parsed into target, command and data elements.
//
// A message reads `Target.Command(element, element, ...)`; the data list is optional.
// Elements stay text: a quoted string keeps its delimiters and escapes, an array keeps its
// braces (written without blanks when more elements follow it). Conversion to typed values
// happens later, against the parameters of the command that receives them.
//
// Where it bites: a message that fails to parse keeps whatever was stored before the fault
// (the target once it was read, the command once it was found, the elements before the bad
// one), and callers run such a message like any other. `Parse` says what was wrong, with
// the player's fixed error texts, only when asked for an error text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace stagehand {

class CMessage {
  public:
    CMessage() = default;
    // Parses the text without an error text; the outcome is not kept.
    explicit CMessage(std::string_view text);

    // Empties the fields and parses text into them. Returns true when the whole text is a
    // valid message; on failure `error` (when given) receives the first rule broken.
    bool Parse(std::string_view text, std::string* error = nullptr);

    // The fields, as written; a diagnostic view of them for the trace.
    std::string Dump() const;

    std::string target;
    std::string command;
    std::vector<std::string> data;

    // The player's error texts, exactly as it reports them.
    static constexpr std::string_view kMissingTargetCommandDelimiter =
        "Missing target command delimiter.";
    static constexpr std::string_view kNoTarget = "No target was specified.";
    static constexpr std::string_view kWhitespaceBeforeDelimiter =
        "No whitespaces allowed before delimiter.";
    static constexpr std::string_view kWhitespaceAroundCommand =
        "No white spaces allowed before or after command.";
    static constexpr std::string_view kMissingDataListDelimiter = "Missing a data list delimiter.";
    static constexpr std::string_view kNoCommand = "Command not specified.";
    static constexpr std::string_view kExtraTargetCommandDelimiter =
        "Extra target command delimiter.";
    static constexpr std::string_view kJunkAfterDataList =
        "Only whitespaces are legal after data list.";
    static constexpr std::string_view kMissingEndString = "Missing end string delimiter.";
    static constexpr std::string_view kIllegalLiteral = "Illegal literal charcter in string.";
    static constexpr std::string_view kMissingEndArray = "Missing end array delimiter.";
    static constexpr std::string_view kJunkAfterElement = "Illegal characters after data element.";
    static constexpr std::string_view kExtraArrayDelimiter = "Extra array delimiter.";
    static constexpr std::string_view kExtraElementDelimiter = "Extra data element delimiter.";
};

}  // namespace stagehand
