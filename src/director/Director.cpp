#include "director/Director.h"

#include <algorithm>

#include "director/ShellCommand.h"
#include "handlers/RoleTypes.h"
#include "host/ui/WindowSystem.h"
#include "script/TextUtil.h"
#include "stage/PlayerLinks.h"
#include "stage/Scene.h"
#include "stage/StageManager.h"
#include "state/StateVarBool.h"
#include "trace/Trace.h"

namespace stagehand {

namespace {

constexpr std::string_view kIf = "if ";
constexpr std::string_view kThen = " then ";
constexpr std::string_view kElse = " else ";

CDirector& AsDirector(CMessageHandler& target) {
    return static_cast<CDirector&>(target);
}

void PostCloseToMainFrame() {
    if (host::WindowSystem* windows = Links().windows) {
        windows->Post(Links().mainFrame, host::msg::kClose);
    }
}

// The statement's clauses, split at each " else ".
std::vector<std::string_view> SplitClauses(std::string_view statement) {
    std::vector<std::string_view> clauses;
    std::string_view rest = Trim(statement);
    while (!rest.empty()) {
        const size_t found = rest.find(kElse);
        if (found == std::string_view::npos) {
            clauses.push_back(rest);
            break;
        }
        clauses.push_back(rest.substr(0, found));
        rest = TrimLeft(rest.substr(found + kElse.size()));
    }
    return clauses;
}

}  // namespace

std::unique_ptr<CMessageHandler> CDirector::Create() {
    return std::make_unique<CDirector>();
}

CDirector::~CDirector() {
    // The scenes leave the modal list as they go; the list is done with first, while the
    // director is still whole.
    destroying_ = true;
    modal_.clear();
    DestroyChildren();
    if (Links().director == this) {
        Links().director = nullptr;
    }
}

bool CDirector::Initialize(const std::string& name, CMessageHandler* parent) {
    CMessageHandlerContainer::Initialize(name, parent);
    if (AnotherInstanceRuns()) {
        PostCloseToMainFrame();
        return false;
    }
    if (!applicationWindowName_.empty()) {
        if (host::WindowSystem* windows = Links().windows) {
            windows->SetTitle(Links().mainFrame, applicationWindowName_);
        }
    }
    CreateChildren();
    if (!keyList_.empty()) {
        ApplyKeyList(keyList_, true);
    }
    return true;
}

bool CDirector::AnotherInstanceRuns() const {
    host::WindowSystem* windows = Links().windows;
    if (windows != nullptr && windows->FindTopLevel(applicationWindowName_)) {
        if (applicationWindowName_.empty()) {
            trace::Fault(
                "The title ends at once: the role \"Director\" sets no ApplicationWindowName, so "
                "the player's own empty window counts as a running instance.");
        } else {
            trace::Fault("The title ends at once: a window named \"%s\" is already open.",
                         {applicationWindowName_});
        }
        return true;
    }
    if (!applicationWindowName_.empty() && Links().otherInstanceShows &&
        Links().otherInstanceShows(applicationWindowName_)) {
        trace::Fault("The title ends at once: another player already shows \"%s\".",
                     {applicationWindowName_});
        return true;
    }
    return false;
}

void CDirector::AddModal(CScene& scene) {
    SetScenesEnabled(false, &scene);
    modal_.push_back(&scene);
}

void CDirector::DropModal(CScene& scene) {
    if (destroying_) {
        return;
    }
    if (modal_.empty()) {
        SetScenesEnabled(true, &scene);
        return;
    }
    const auto found = std::find(modal_.begin(), modal_.end(), &scene);
    if (found == modal_.end()) {
        modal_.back()->SetEnabled(true);
        return;
    }
    if (found + 1 != modal_.end()) {
        modal_.erase(found);  // an older modal scene: the newer one stays in charge
        return;
    }
    modal_.pop_back();
    if (modal_.empty()) {
        SetScenesEnabled(true, &scene);
    } else {
        modal_.back()->SetEnabled(true);
    }
}

void CDirector::SetScenesEnabled(bool enabled, const CScene* except) {
    // Copied first: switching a scene must not change the table under the walk.
    std::vector<CScene*> scenes;
    for (const auto& [name, child] : Children()) {
        if (child != except && child->ClassName() == "CScene") {
            scenes.push_back(static_cast<CScene*>(child));
        }
    }
    for (CScene* scene : scenes) {
        scene->SetEnabled(enabled);
    }
}

void CDirector::OnKey(uint32_t, uint32_t) {
    // Key bindings ("KeyList", "EnableKey", "Key_" events) are not played yet: a key press
    // runs nothing.
}

void CDirector::ApplyKeyList(const std::string&, bool) {}

void CDirector::ChooseQueue(const std::string& statement) {
    const std::vector<std::string_view> clauses = SplitClauses(statement);
    if (clauses.empty()) {
        trace::Fault("ChooseQueue was given an empty statement.");
        return;
    }

    // The evaluator cannot be found by name while it works: a condition that names it reads
    // nothing of it.
    std::unique_ptr<CMessageHandler> made = CRoleTypeRegistry::Create("Boolean");
    auto* evaluator = dynamic_cast<CStateVarBool*>(made.get());
    if (evaluator == nullptr) {
        trace::Fault("ChooseQueue could not make its evaluator: \"Boolean\" is not a role type.");
        return;
    }
    evaluator->Initialize(kEvaluatorName, nullptr);
    CStageManager* stage = CStageManager::Instance();
    if (stage != nullptr) {
        stage->Unregister(kEvaluatorName, *evaluator);
    }

    for (size_t i = 0; i < clauses.size(); ++i) {
        const std::string_view clause = clauses[i];
        const size_t ifAt = clause.find(kIf);
        if (ifAt == std::string_view::npos && i + 1 == clauses.size() && clauses.size() >= 2) {
            RunQueue(Trim(clause), kPlainScope);  // the else branch
            break;
        }
        // The condition lies between the first "if " and the first " then ". A clause
        // without both has an empty condition, which holds nothing.
        const size_t thenAt = clause.find(kThen);
        if (ifAt == std::string_view::npos || thenAt == std::string_view::npos) {
            trace::Fault("ChooseQueue: the clause \"%s\" does not read if ... then ....",
                         {std::string(clause)});
            continue;
        }
        const size_t conditionAt = ifAt + kIf.size();
        const std::string_view condition =
            thenAt >= conditionAt ? clause.substr(conditionAt, thenAt - conditionAt) : "";
        evaluator->EvaluateExpression(Trim(condition));
        if (evaluator->Value()) {
            RunQueue(Trim(clause.substr(thenAt + kThen.size())), kPlainScope);
            break;
        }
    }
    // The evaluator goes without coming back into the table: a handler that the chosen
    // queue made under the same name keeps its entry.
}

void CDirector::RegisterProperties() {
    CMessageHandlerContainer::RegisterProperties();
    AddProperty("KeyList", CVariant::kString, &keyList_);
    AddProperty("LastKeyPressed", CVariant::kString, &lastKeyPressed_);
    AddProperty("Enabled", CVariant::kBoolean, &enabled_);
    AddProperty("ApplicationWindowName", CVariant::kString, &applicationWindowName_);
    AddProperty("AudioSamplingRate", CVariant::kInteger, &audioSamplingRate_);
}

void CDirector::RegisterCommands() {
    CMessageHandlerContainer::RegisterCommands();
    AddCommand(
        "End",
        [](CMessageHandler&, CArguments&) {
            PostCloseToMainFrame();  // posted: the queue that ends the title still finishes
            return 1;
        },
        0, "", "");
    AddCommand(
        "Load",
        [](CMessageHandler& target, CArguments& arguments) {
            AsDirector(target).CreateRole(arguments[0].ToText());
            return 1;
        },
        1, "string", "\"\"");
    AddCommand(
        "Unload",
        [](CMessageHandler& target, CArguments& arguments) {
            CMessageHandler* child = AsDirector(target).FindChild(arguments[0].ToText());
            if (child != nullptr && child->HasWindow()) {
                child->System()->Send(child->Handle(), host::msg::kClose);
            }
            return 1;
        },
        1, "string", "\"\"");
    AddCommand(
        "RunQueue",
        [](CMessageHandler& target, CArguments& arguments) {
            target.RunQueue(arguments[0].ToText(), kPlainScope);
            return 1;
        },
        1, "string", "\"\"");
    AddCommand(
        "ChooseQueue",
        [](CMessageHandler& target, CArguments& arguments) {
            AsDirector(target).ChooseQueue(arguments[0].ToText());
            return 1;
        },
        1, "string", "\"\"");
    AddCommand(
        "EnableKey",
        [](CMessageHandler& target, CArguments& arguments) {
            AsDirector(target).ApplyKeyList(arguments[0].ToText(), true);
            return 1;
        },
        1, "string", "\"\"");
    AddCommand(
        "DisableKey",
        [](CMessageHandler& target, CArguments& arguments) {
            AsDirector(target).ApplyKeyList(arguments[0].ToText(), false);
            return 1;
        },
        1, "string", "\"\"");
    AddCommand(
        "Shell",
        [](CMessageHandler&, CArguments& arguments) {
            Shell(arguments[0].ToText(), arguments[1].ToText());
            return 1;
        },
        1, "string,string", "\"\",\"\"");
    AddCommand(
        "Enable",
        [](CMessageHandler& target, CArguments&) {
            AsDirector(target).enabled_ = 1;
            return 1;
        },
        0, "", "");
    AddCommand(
        "Disable",
        [](CMessageHandler& target, CArguments&) {
            AsDirector(target).enabled_ = 0;
            return 1;
        },
        0, "", "");
    AddCommand(
        "Wait",
        [](CMessageHandler&, CArguments& arguments) {
            // A negative time waits nothing rather than for weeks.
            const int32_t milliseconds = ReadInteger(arguments[0].ToText());
            if (host::WindowSystem* windows = Links().windows; windows && milliseconds > 0) {
                windows->Sleep(static_cast<uint32_t>(milliseconds));
            }
            return 1;
        },
        1, "integer", "0");
    // No sound device is played yet: the audio switches are accepted and change nothing.
    AddCommand(
        "StartAudio", [](CMessageHandler&, CArguments&) { return 1; }, 0, "", "");
    AddCommand(
        "EndAudio", [](CMessageHandler&, CArguments&) { return 1; }, 0, "", "");
}

void CDirector::Shell(const std::string& file, const std::string& arguments) {
    std::string commandLine(Trim(file));
    const std::string_view trimmedArguments = Trim(arguments);
    if (!trimmedArguments.empty() && trimmedArguments.front() != '\\' &&
        trimmedArguments.size() > 1) {
        commandLine += ' ';
        commandLine += trimmedArguments;
    }
    CStageManager* stage = CStageManager::Instance();
    const host::TitlePaths* paths = stage ? stage->Paths() : nullptr;
    if (Links().programs == nullptr || paths == nullptr) {
        trace::Fault("Shell \"%s\": this run starts no programs.", {commandLine});
        return;
    }
    RunShellCommand(commandLine, *Links().programs, *paths);
}

}  // namespace stagehand
