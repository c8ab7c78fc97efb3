// State variables: roles that hold one value for the title's scripts.
//
// CStateVarInt holds a 32-bit number ("Add"), CStateVarString a text ("MakeLowerCase"),
// CStateVarBool a truth value and the condition evaluator (StateVarBool.h). Each binds its
// value to the "Value" property, so "Set", property tags and content managers all reach the
// same storage. They never have a window.
//
// Where it bites: a state variable ignores every entry of its own role except "Type"; it
// starts at 0, "" or false until a container's "State" entry, a command or a content
// manager changes it.
#pragma once

#include <map>
#include <string>

#include "kernel/MessageHandler.h"

namespace stagehand {

class CStateVar : public CMessageHandler {
  public:
    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;

    // The command an operator symbol stands for: the operator table first, then a command
    // of that very name. Leaves command alone and returns false when neither exists.
    bool LookupOperator(const std::string& symbol, std::string& command) const;

  protected:
    void LoadRoleData() override {}
    void ApplyRoleData() override {}
    void ReleaseRoleData() override {}

    virtual void RegisterOperators() {}
    void AddOperator(const std::string& command, const std::string& symbol);

  private:
    std::map<std::string, std::string> operators_;
};

class CStateVarInt : public CStateVar {
  public:
    static std::unique_ptr<CMessageHandler> Create();
    int32_t Value() const { return value_; }

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;

  private:
    int32_t value_ = 0;
};

class CStateVarString : public CStateVar {
  public:
    static std::unique_ptr<CMessageHandler> Create();
    const std::string& Value() const { return value_; }

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;

  private:
    std::string value_;
};

}  // namespace stagehand
