#include "state/StateVarBool.h"

#include "base/Format.h"
#include "script/Delimiters.h"
#include "script/TextUtil.h"
#include "trace/Trace.h"

namespace stagehand {

namespace d = delimiters;

namespace {

enum class Comparison { kEqual, kNotEqual, kLess, kLessOrEqual, kGreater, kGreaterOrEqual };

// Reads an argument the way a comparison sees it: its text read again as an operand, so a
// text with a double quote is a text and anything else the integer its leading digits give.
CVariant Operand(const CVariant& argument) {
    CVariant operand;
    operand.SetFromLiteral(argument.ToText());
    return operand;
}

bool Compare(Comparison comparison, const CVariant& a, const CVariant& b) {
    const bool equal = a.IsEqual(b);
    const bool less = a.IsLess(b);
    switch (comparison) {
        case Comparison::kEqual:
            return equal;
        case Comparison::kNotEqual:
            return !equal;
        case Comparison::kLess:
            return less;
        case Comparison::kLessOrEqual:
            return equal || less;
        case Comparison::kGreater:
            return !(equal || less);
        case Comparison::kGreaterOrEqual:
            return equal || !(equal || less);
    }
    return false;
}

}  // namespace

std::unique_ptr<CMessageHandler> CStateVarBool::Create() {
    return std::make_unique<CStateVarBool>();
}

void CStateVarBool::RegisterProperties() {
    CStateVar::RegisterProperties();
    AddProperty("Value", CVariant::kBoolean, &value_);
}

void CStateVarBool::RegisterCommands() {
    CStateVar::RegisterCommands();
    const auto add = [this](const char* name, Comparison comparison) {
        AddCommand(
            name,
            [comparison](CMessageHandler& target, CArguments& arguments) {
                const CVariant a = Operand(arguments[0]);
                const CVariant b = Operand(arguments[1]);
                static_cast<CStateVarBool&>(target).value_ = Compare(comparison, a, b) ? 1 : 0;
                return 1;
            },
            2, "string,string", "\"\",\"\"");
    };
    add("IsEqual", Comparison::kEqual);
    add("IsNotEqual", Comparison::kNotEqual);
    add("IsLessThan", Comparison::kLess);
    add("IsLessThanOrEqual", Comparison::kLessOrEqual);
    add("IsGreaterThan", Comparison::kGreater);
    add("IsGreaterThanOrEqual", Comparison::kGreaterOrEqual);
}

void CStateVarBool::RegisterOperators() {
    AddOperator("Set", "*");
    AddOperator("IsEqual", "=");
    AddOperator("IsNotEqual", "!=");
    AddOperator("IsLessThan", "<");
    AddOperator("IsLessThanOrEqual", "<=");
    AddOperator("IsGreaterThan", ">");
    AddOperator("IsGreaterThanOrEqual", ">=");
}

void CStateVarBool::EvaluateExpression(std::string_view condition) {
    const std::string_view text = Trim(condition);

    // The left operand ends after its closing quote when it starts with one, else at the
    // first space. With no space at all there is no left operand and no operator: the whole
    // text is the right operand, as the player always read it.
    std::string_view left;
    std::string_view rest = text;
    if (text.starts_with(d::StringBegin)) {
        const size_t close = text.find(d::StringEnd, d::StringBegin.size());
        const size_t p = close == std::string_view::npos ? 1 : close + d::StringEnd.size();
        left = text.substr(0, p);
        rest = p < text.size() ? TrimLeft(text.substr(p + 1)) : std::string_view();
    } else if (const size_t p = text.find(' '); p != std::string_view::npos) {
        left = text.substr(0, p);
        rest = TrimLeft(text.substr(p + 1));
    }

    std::string symbol;
    if (const size_t space = rest.find(' '); space != std::string_view::npos) {
        symbol = rest.substr(0, space);
        rest = TrimLeft(rest.substr(space + 1));
    }
    const std::string_view right = rest;

    std::string command;
    if (!LookupOperator(symbol, command)) {
        trace::Fault("The condition \"%s\" has no operator that %s knows: \"%s\".",
                     {text, GetName(), symbol});
        return;
    }

    std::string messageText = GetName();
    messageText += d::TargetCommandDelimiter;
    messageText += command;
    messageText += d::DataListBegin;
    messageText += left;
    messageText += d::DataElementDelimiter;
    messageText += right;
    messageText += d::DataListEnd;

    CMessage message;
    std::string error;
    if (!message.Parse(messageText, trace::IsOn() ? &error : nullptr)) {
        trace::Fault("The condition \"%s\" makes the message %s: %s", {text, messageText, error});
    }
    ExecuteMessage(message);
}

}  // namespace stagehand
