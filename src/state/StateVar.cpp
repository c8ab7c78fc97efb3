#include "state/StateVar.h"

namespace stagehand {

bool CStateVar::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    CMessageHandler::Initialize(player, name, parent);
    RegisterOperators();
    return true;
}

void CStateVar::AddOperator(const std::string& command, const std::string& symbol) {
    operators_.insert_or_assign(symbol, command);
}

bool CStateVar::LookupOperator(const std::string& symbol, std::string& command) const {
    const auto found = operators_.find(symbol);
    if (found != operators_.end()) {
        command = found->second;
        return true;
    }
    if (HasCommand(symbol)) {
        command = symbol;
        return true;
    }
    return false;
}

std::unique_ptr<CMessageHandler> CStateVarInt::Create() {
    return std::make_unique<CStateVarInt>();
}

void CStateVarInt::RegisterProperties() {
    CStateVar::RegisterProperties();
    AddProperty("Value", CVariant::kInteger, &value_);
}

void CStateVarInt::RegisterCommands() {
    CStateVar::RegisterCommands();
    AddCommand(
        "Add",
        [](CMessageHandler& target, CArguments& arguments) {
            auto& variable = static_cast<CStateVarInt&>(target);
            // 32-bit arithmetic that wraps, as the title's numbers always did.
            variable.value_ =
                static_cast<int32_t>(static_cast<uint32_t>(variable.value_) +
                                     static_cast<uint32_t>(arguments[0].GetInteger()));
            return 1;
        },
        1, "integer", "0");
}

std::unique_ptr<CMessageHandler> CStateVarString::Create() {
    return std::make_unique<CStateVarString>();
}

void CStateVarString::RegisterProperties() {
    CStateVar::RegisterProperties();
    AddProperty("Value", CVariant::kString, &value_);
}

void CStateVarString::RegisterCommands() {
    CStateVar::RegisterCommands();
    AddCommand(
        "MakeLowerCase",
        [](CMessageHandler& target, CArguments&) {
            // Letters A-Z only: the player lowered text in the "C" locale.
            for (char& c : static_cast<CStateVarString&>(target).value_) {
                if (c >= 'A' && c <= 'Z') {
                    c = static_cast<char>(c - 'A' + 'a');
                }
            }
            return 1;
        },
        0, "", "");
}

}  // namespace stagehand
