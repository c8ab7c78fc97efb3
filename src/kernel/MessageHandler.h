// CMessageHandler: the base of every role of a title.
//
// A handler is a named object with properties bound to its own fields, commands that
// messages call by name, and the right to run message queues. It takes its property values
// from its role in the role file when it is created, and it may own a window (actors and
// scenes create one; state variables and content managers never do).
//
// Creation runs in a fixed order: name and parent, entry into the parent's children and the
// stage manager's table, then RegisterProperties, RegisterCommands, LoadRoleData,
// ApplyRoleData, ReleaseRoleData. Subclasses override these and Initialize, always calling
// the base first.
//
// Ownership: the container that created a handler owns it (the player owns the director). A
// handler whose window is destroyed asks its owner to destroy it; a handler without a window
// goes with its owner.
//
// Guarantees: a queue run survives anything its messages do, including destroying the
// handler it runs for (the stage manager runs it; see CStageManager::RunQueue).
// Where it bites: names of properties and commands match exactly (case-sensitive); a later
// registration of a name replaces the earlier one.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/ui/Window.h"
#include "script/Command.h"
#include "script/Message.h"
#include "script/Variant.h"

namespace stagehand {

class CPlayer;

// A role's key/value entries as read from the role file.
using RoleValues = std::map<std::string, std::string>;

class CMessageHandler : public host::Window {
  public:
    enum Scope : int32_t {
        kPlainScope = 0,  // the queue of that name
        kEventScope = 1,  // the handler's own event queue: name, "|", event
    };
    static constexpr std::string_view kEventSeparator = "|";

    CMessageHandler();
    ~CMessageHandler() override;
    // The handlers alive in this process: a long play checks that none is left behind.
    static size_t LiveCount();

    // The creation sequence, for the player's title. Returns true when the handler was
    // created.
    virtual bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent);

    // Writes a property from script text; false when there is no such property.
    bool SetProperty(std::string_view name, std::string_view value);
    // The property's text, or "" when there is no such property.
    std::string GetProperty(std::string_view name) const;
    // For tag expansion: false with the player's error text when there is no such property.
    bool HasProperty(std::string_view property, std::string_view handlerName,
                     std::string* error) const;

    bool HasCommand(std::string_view name) const { return commands_.count(name) != 0; }
    // The names in the property and command tables, in name order.
    std::vector<std::string> PropertyNames() const;
    std::vector<std::string> CommandNames() const;
    // The command's descriptor, or nullptr when the handler has no such command.
    const CCommand* FindCommand(std::string_view name) const;

    // Fills the property and command tables of a handler that is not created, and nothing
    // else: what a role of this class understands, for reading a title without playing it.
    // Such a handler is only looked at and then destroyed, never initialised.
    void RegisterTables();

    const std::string& GetName() const { return name_; }
    CMessageHandler* GetParent() const { return parent_; }
    bool IsCreated() const { return created_; }
    // The play this handler belongs to; only for handlers that were initialised.
    CPlayer& Player() const { return *player_; }
    // Expires when the handler is destroyed: how a caller that runs title script learns
    // whether the handler it acts for survived it.
    std::weak_ptr<const char> LifeToken() const { return alive_; }

    // A role name: a letter, then letters and digits (ASCII; bytes above 127 are neither).
    static bool IsValidName(std::string_view text);

    // Carries out one parsed message on this handler. Unknown commands and surplus data
    // elements are reported in the trace.
    void ExecuteMessage(const CMessage& message);

    // Runs a message queue on this handler's behalf (see CStageManager::RunQueue).
    bool RunQueue(std::string_view name, Scope scope);

    // The player's error text for a property a tag names but the handler does not have.
    static constexpr std::string_view kInvalidPropertyText =
        "Invalid property used in message handler tag.\n\"%s.%s\"\n";

  protected:
    virtual void RegisterProperties();
    virtual void RegisterCommands();
    virtual void LoadRoleData();
    virtual void ApplyRoleData();
    virtual void ReleaseRoleData();

    // Containers keep a table of their children and own them; plain handlers have none.
    virtual void AddChildEntry(CMessageHandler& child);
    virtual void RemoveChildEntry(CMessageHandler& child);
    // The child's window is gone: its owner destroys it.
    virtual void DestroyOwnedChild(CMessageHandler& child);
    // A handler goes with its window: when the window is destroyed (its scene closed, the
    // main frame closed) the handler asks its owner to destroy it.
    void OnWindowGone() override;

    // An integer or boolean property bound to an integer field, a string to a text.
    void AddProperty(const std::string& name, CVariant::Type kind, int32_t* field);
    void AddProperty(const std::string& name, CVariant::Type kind, std::string* field);
    void AddCommand(const std::string& name, CommandFunction callback, uint32_t minimum,
                    std::string_view typeList, std::string_view defaultList);
    // "Show" and "Hide": the handler's window in its current size and place; no window, no
    // change.
    static CommandFunction ShowWindowCommand(bool show);
    // A command of a role class that always succeeds: its name, its descriptor and what it
    // does to the role.
    template <typename Role>
    struct Action {
        const char* name;
        uint32_t minimum;
        const char* types;
        const char* defaults;
        void (*run)(Role&, CArguments&);
    };
    // Registers the actions, in their order, as commands that run them and succeed.
    template <typename Role, size_t N>
    void AddActions(const Action<Role> (&actions)[N]) {
        for (const Action<Role>& action : actions) {
            const auto run = action.run;
            AddCommand(
                action.name,
                [run](CMessageHandler& target, CArguments& arguments) {
                    run(static_cast<Role&>(target), arguments);
                    return 1;
                },
                action.minimum, action.types, action.defaults);
        }
    }
    // "Enable" and "Disable" of a role with an own-disabled latch: Role::SwitchByCommand.
    template <typename Role>
    static CommandFunction SwitchCommand(bool enable) {
        return [enable](CMessageHandler& target, CArguments&) {
            static_cast<Role&>(target).SwitchByCommand(enable);
            return 1;
        };
    }

    // The role's entries, held between LoadRoleData and ReleaseRoleData.
    std::unique_ptr<RoleValues> roleValues_;
    std::string type_;

  private:
    bool created_ = false;
    CPlayer* player_ = nullptr;
    std::string name_;
    CMessageHandler* parent_ = nullptr;
    std::map<std::string, CVariant, std::less<>> properties_;
    std::map<std::string, CCommand, std::less<>> commands_;
    // Expires when the handler is destroyed; a queue run watches it.
    std::shared_ptr<char> alive_;
};

}  // namespace stagehand
