// The handler base: the creation sequence, properties and commands, role types, and the
// actor's own-disabled latch.
#include <gtest/gtest.h>

#include <sstream>

#include "app/PlayerKit.h"
#include "host/headless/HeadlessBackend.h"
#include "host/ui/WindowSystem.h"
#include "kernel/Actor.h"
#include "state/StateVar.h"
#include "support/TitleFixture.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;

// Records each step of its creation, and what the stage manager and its parent knew then.
class Recording : public CMessageHandler {
  public:
    explicit Recording(std::vector<std::string>* steps) : steps_(steps) {}

    std::string caption;
    std::vector<std::string> children;

  protected:
    void RegisterProperties() override {
        Step("RegisterProperties");
        CMessageHandler::RegisterProperties();
        AddProperty("Caption", CVariant::kString, &caption);
    }
    void RegisterCommands() override {
        Step("RegisterCommands");
        CMessageHandler::RegisterCommands();
    }
    void LoadRoleData() override {
        Step("LoadRoleData");
        CMessageHandler::LoadRoleData();
    }
    void ApplyRoleData() override {
        Step("ApplyRoleData caption=" + caption);
        CMessageHandler::ApplyRoleData();
        Step("applied caption=" + caption);
    }
    void ReleaseRoleData() override {
        CMessageHandler::ReleaseRoleData();
        Step(roleValues_ ? "ReleaseRoleData kept" : "ReleaseRoleData");
    }
    void AddChildEntry(CMessageHandler& child) override { children.push_back(child.GetName()); }
    void RemoveChildEntry(CMessageHandler& child) override {
        std::erase(children, child.GetName());
    }

  private:
    void Step(const std::string& what) {
        const bool registered = Player().Stage().Find(GetName()) == this;
        steps_->push_back(what + (registered ? "" : " (not registered)"));
    }
    std::vector<std::string>* steps_;
};

using HandlerCreation = TitleFixture;

TEST_F(HandlerCreation, RunsItsStepsInOrderAndAppliesTheRoleBeforeReturning) {
    WriteRoles("[Sign]\nType=Label\nCaption=Hello [Other.Note]\nUnknown=ignored\n");
    Probe& other = MakeProbe("Other");
    other.note = "there";
    std::vector<std::string> steps;
    Recording parent(&steps);
    parent.Initialize(*player, "Parent", nullptr);
    steps.clear();
    {
        Recording sign(&steps);
        EXPECT_TRUE(sign.Initialize(*player, "Sign", &parent));
        EXPECT_THAT(steps, ElementsAre("RegisterProperties", "RegisterCommands", "LoadRoleData",
                                       "ApplyRoleData caption=", "applied caption=Hello there",
                                       "ReleaseRoleData"));
        EXPECT_EQ(sign.GetProperty("Type"), "Label");
        EXPECT_EQ(sign.GetParent(), &parent);
        EXPECT_THAT(parent.children, ElementsAre("Sign"));
        EXPECT_EQ(stage->Find("Sign"), &sign);
    }
    // Teardown takes it out of its parent and out of the table.
    EXPECT_TRUE(parent.children.empty());
    EXPECT_FALSE(stage->IsLoaded("Sign"));
}

TEST_F(HandlerCreation, AReplacedHandlerLeavingDoesNotTakeItsSuccessorsEntry) {
    auto first = std::make_unique<Probe>(&log);
    first->Initialize(*player, "Twin", nullptr);
    Probe& second = MakeProbe("Twin");
    EXPECT_EQ(stage->Find("Twin"), &second);  // a later Register replaces the entry
    first.reset();
    EXPECT_EQ(stage->Find("Twin"), &second);
}

using HandlerProperties = TitleFixture;

TEST_F(HandlerProperties, SetWritesPropertiesFromTextAndIgnoresUnknownNames) {
    WriteQueues(
        "[Q]\n1=P.Set(Note,\"quoted\")\n2=P.Set(Count,42abc)\n3=P.Set(Nope,1)\n"
        "4=P.Set(Count)\n");
    Probe& p = MakeProbe("P");
    p.RunQueue("Q", CMessageHandler::kPlainScope);
    EXPECT_EQ(p.note, "\"quoted\"");  // a string parameter keeps the element as written
    EXPECT_EQ(p.count, 0);            // "Set(Count)" writes the empty default
    EXPECT_FALSE(p.SetProperty("Nope", "1"));
    EXPECT_EQ(p.GetProperty("Nope"), "");
    std::string error;
    EXPECT_FALSE(p.HasProperty("Nope", "P", &error));
    EXPECT_EQ(error, "Invalid property used in message handler tag.\n\"P.Nope\"\n");
    EXPECT_TRUE(p.HasProperty("Count", "P", &error));
}

TEST_F(HandlerProperties, ALaterCommandOfTheSameNameReplacesTheEarlier) {
    class Twice : public CMessageHandler {
      public:
        int calls = 0;

      protected:
        void RegisterCommands() override {
            CMessageHandler::RegisterCommands();
            AddCommand(
                "Set",
                [](CMessageHandler& t, CArguments&) { return ++static_cast<Twice&>(t).calls; }, 0,
                "", "");
        }
    };
    Twice twice;
    twice.Initialize(*player, "Twice", nullptr);
    twice.ExecuteMessage(CMessage("Twice.Set(Type,x)"));
    EXPECT_EQ(twice.calls, 1);
    EXPECT_EQ(twice.GetProperty("Type"), "");
}

TEST_F(HandlerProperties, ACommandWhoseListsDoNotBuildIsAProgrammingError) {
    class Wrong : public CMessageHandler {
      protected:
        void RegisterCommands() override {
            CMessageHandler::RegisterCommands();
            AddCommand(
                "Go", [](CMessageHandler&, CArguments&) { return 1; }, 1, "integer,float", "0,1");
        }
    };
    Wrong wrong;
#ifdef NDEBUG
    wrong.Initialize(*player, "Wrong", nullptr);
    EXPECT_EQ(Traced("fault: ").at(0),
              "The command \"Go\" of \"Wrong\" is registered wrongly: parameter 2 of type "
              "\"float\" cannot take the default \"1\".");
#else
    EXPECT_DEATH(wrong.Initialize(*player, "Wrong", nullptr), "do not build");
#endif
}

TEST(HandlerNames, AreALetterFollowedByLettersAndDigits) {
    for (const char* good : {"A", "Abc1", "z9Z"}) {
        EXPECT_TRUE(CMessageHandler::IsValidName(good)) << good;
    }
    for (const char* bad : {"", "1abc", "a_b", "a b", "a.b", "\xC4pfel", "a\xE9"}) {
        EXPECT_FALSE(CMessageHandler::IsValidName(bad)) << bad;
    }
}

TEST(RoleTypes, HoldThePlayableTypesInOrderMatchedExactly) {
    const CRoleTypeRegistry registry(RoleTypeTable());
    EXPECT_THAT(
        registry.Names(),
        ElementsAre("Director", "Scene", "Amovie", "Hotspot", "CommandButton", "Smacker", "Zone",
                    "Timer", "System", "Boolean", "String", "Integer", "DirectSound", "Edittext",
                    "TextButton", "Password", "Label", "IniContentManager", "Cursor", "MCIVideo"));
    for (const char* missing :
         {"boolean", "INTEGER", "StateVar", "CStateVarInt", "Actor", "", "EditText", "TextLabel",
          "label", "Animation", "smacker", "AMovie", "MciVideo"}) {
        EXPECT_EQ(registry.Lookup(missing), nullptr) << missing;
    }
    const auto made = registry.Create("Integer");
    EXPECT_NE(dynamic_cast<CStateVarInt*>(made.get()), nullptr);
}

// The actor's enabled state as its scene and its own commands switch it.
class ActorLatch : public TitleFixture {
  protected:
    CActor& MakeActor(const std::string& name) {
        actors_.push_back(std::make_unique<CActor>());
        actors_.back()->Initialize(*player, name, nullptr);
        return *actors_.back();
    }
    void Run(CActor& actor, const std::string& command) {
        actor.ExecuteMessage(CMessage(actor.GetName() + "." + command));
    }
    std::vector<std::unique_ptr<CActor>> actors_;
};

TEST_F(ActorLatch, FollowsTheOwnDisabledTable) {
    struct Case {
        const char* name;
        bool ownDisabled;
        bool enabled;
        std::string action;  // a command, or "scene on" / "scene off"
        bool ownDisabledAfter;
        bool enabledAfter;
    };
    const Case cases[] = {
        {"A", false, true, "scene on", false, true},
        {"B", false, true, "scene off", false, false},
        {"C", false, true, "Enable()", false, true},
        {"D", false, true, "Disable()", true, false},
        {"E", false, false, "scene on", false, true},
        {"F", false, false, "scene off", false, false},
        {"G", false, false, "Enable()", false, true},
        {"H", false, false, "Disable()", true, false},
        {"I", true, false, "scene on", true, false},
        {"J", true, false, "scene off", true, false},
        {"K", true, false, "Enable()", false, true},
        {"L", true, false, "Disable()", true, false},
    };
    for (const Case& c : cases) {
        CActor& actor = MakeActor(c.name);
        if (c.ownDisabled) {
            Run(actor, "Disable()");
        } else if (!c.enabled) {
            actor.SetEnabled(false);
        }
        if (c.action == "scene on" || c.action == "scene off") {
            actor.SetEnabled(c.action == "scene on");
        } else {
            Run(actor, c.action);
        }
        EXPECT_EQ(actor.IsOwnDisabled(), c.ownDisabledAfter) << c.name;
        EXPECT_EQ(actor.IsEnabled(), c.enabledAfter) << c.name;
    }
}

TEST_F(ActorLatch, EnabledZeroInTheRoleStartsOwnDisabled) {
    WriteRoles("[Off]\nType=Hotspot\nEnabled=0\n");
    CActor& off = MakeActor("Off");
    EXPECT_TRUE(off.IsOwnDisabled());
    off.SetEnabled(false);
    off.SetEnabled(true);
    EXPECT_FALSE(off.IsEnabled());
    Run(off, "Disable()");
    Run(off, "Disable()");
    Run(off, "Enable()");
    EXPECT_TRUE(off.IsEnabled());
    // "Set" writes the property whatever the latch holds.
    Run(off, "Disable()");
    Run(off, "Set(Enabled,1)");
    EXPECT_TRUE(off.IsEnabled());
    EXPECT_TRUE(off.IsOwnDisabled());
    // Without a window, "Hide" and "Show" do nothing.
    Run(off, "Hide()");
    Run(off, "Show()");
    EXPECT_FALSE(off.HasWindow());
}

TEST_F(ActorLatch, HideAndShowSwitchTheWindowWhichNeverErasesItsBackground) {
    std::ostringstream out;
    std::ostringstream errors;
    host::HeadlessBackend backend(host::ParseInputScript(""), out, errors);
    host::WindowSystem ws(backend, {64, 48});
    CActor& actor = MakeActor("Shown");
    host::WindowParams params;
    params.style = host::style::kPopup | host::style::kVisible;
    params.rect = host::Rect::FromSize(0, 0, 8, 8);
    ASSERT_TRUE(actor.CreateWindow(ws, params));
    Run(actor, "Hide()");
    EXPECT_FALSE(ws.IsShown(actor.Handle()));
    Run(actor, "Show()");
    EXPECT_TRUE(ws.IsShown(actor.Handle()));
    EXPECT_EQ(ws.Send(actor.Handle(), host::msg::kEraseBackground, 0, 0), 1);
    actor.DestroyWindow();  // the actor outlives its window and then its window system
}

}  // namespace
}  // namespace stagehand::testing
