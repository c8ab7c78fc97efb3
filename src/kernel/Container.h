// CMessageHandlerContainer: a handler that owns other handlers, the base of the director and
// the scenes.
//
// A container creates its children from its role ("Child1", "Child2", ... name roles of the
// role file; "State1", "State2", ... define state variables inline as `name, type, value`)
// and through "AddChild"; it finds them by name and destroys them with itself.
//
// Guarantees: every child the container created is owned by it from its first creation step
// and destroyed with it, last created first, even one whose name a later child of the same
// name took over in the table (that one can no longer be found by name, but it is not lost).
// A child whose window closes is destroyed by its container at once. Creation stops as soon
// as the container itself is destroyed by what a child's creation ran. A role is never
// created inside itself: one that is already among the new child's ancestors (roles that
// contain each other), a nesting deeper than kMaxNesting, or more than kMaxLiveHandlers
// handlers at once are refused and traced.
// Where it bites: "Child" roles are collected at creation but created only when the subclass
// calls CreateChildren, at the point of its own creation where they are wanted.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kernel/MessageHandler.h"

namespace stagehand {

class CMessageHandlerContainer : public CMessageHandler {
  public:
    // Roles nest at most this deep below the director; no title comes near it.
    static constexpr int kMaxNesting = 64;

    CMessageHandlerContainer() = default;
    ~CMessageHandlerContainer() override;

    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;

    bool HasChild(const std::string& name) const { return children_.count(name) != 0; }
    CMessageHandler* FindChild(const std::string& name) const;
    // With `destroy`, the child of that name is destroyed (which removes its entry);
    // without, only the table entry goes.
    void RemoveChild(const std::string& name, bool destroy);
    // Makes a handler of the type and creates it under the name with this container as its
    // parent; nullptr (traced) when the registry does not know the type.
    CMessageHandler* CreateChild(const std::string& name, const std::string& typeName);
    // CreateChild with the type the role file gives the name ("Child" roles, "AddChild",
    // the director's "Load").
    CMessageHandler* CreateRole(const std::string& name);
    // Creates the collected "Child" roles in order, each of the type its role names. False
    // when this container was destroyed on the way (it must not be touched then).
    [[nodiscard]] bool CreateChildren();
    // Creates the collected "State" entries in order; false as CreateChildren.
    [[nodiscard]] bool CreateStates();
    // The children by name, in name order.
    const std::map<std::string, CMessageHandler*, std::less<>>& Children() const {
        return children_;
    }

  protected:
    // Destroys every child, last created first. Subclasses whose children call back into
    // them while going (scenes leaving the director's modal list) call it in their own
    // destructor, while they are still whole.
    void DestroyChildren();
    void RegisterCommands() override;
    void ApplyRoleData() override;
    void AddChildEntry(CMessageHandler& child) override;
    void RemoveChildEntry(CMessageHandler& child) override;
    void DestroyOwnedChild(CMessageHandler& child) override;

  private:
    // Why a role of that name may not be created here, or "" when it may.
    std::string RefusalOf(const std::string& name) const;

    std::map<std::string, CMessageHandler*, std::less<>> children_;
    // Every child alive, oldest first.
    std::vector<std::unique_ptr<CMessageHandler>> owned_;
    std::unique_ptr<std::vector<std::string>> childNames_;
    // The children whose creation is under way (their queues may run meanwhile).
    std::vector<std::string> creating_;
    std::unique_ptr<std::vector<std::string>> stateEntries_;
};

}  // namespace stagehand
