// CStateVarBool: a truth value, the six comparison commands, and the player's only condition
// evaluator.
//
// A condition reads `left operator right` ("7 >= 5", "\"a b\" = [Name.Value]"). The evaluator
// turns it into a message to itself (`Name.IsGreaterThanOrEqual(7,5)`) and runs it, so the
// outcome lands in "Value". Operands that hold a double quote compare as texts, all others as
// the integers their leading digits give: 5 equals 05, and two words without digits are equal.
//
// Where it bites: any value other than 0 counts as true, and a text written into "Value" is
// read as an integer, so "true" is false. An operator it does not know leaves "Value" as it
// was (and is reported in the trace). Values of different kinds are neither equal nor less.
#pragma once

#include "state/StateVar.h"

namespace stagehand {

class CStateVarBool : public CStateVar {
  public:
    static std::unique_ptr<CMessageHandler> Create();

    bool Value() const { return value_ != 0; }
    int32_t RawValue() const { return value_; }

    // Evaluates a condition; the outcome is left in "Value".
    void EvaluateExpression(std::string_view text);

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;
    void RegisterOperators() override;

  private:
    int32_t value_ = 0;
};

}  // namespace stagehand
