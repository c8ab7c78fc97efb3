#include "director/Director.h"

#include <algorithm>

#include "director/ShellCommand.h"
#include "host/files/TextEncoding.h"
#include "host/system/ProgramConsent.h"
#include "host/ui/WindowSystem.h"
#include "kernel/Player.h"
#include "media/MovieShelf.h"
#include "media/SoundTable.h"
#include "scene/ModalScenes.h"
#include "script/TextUtil.h"
#include "state/StateVarBool.h"
#include "trace/Trace.h"

namespace stagehand {

namespace {

constexpr std::string_view kIf = "if ";
constexpr std::string_view kThen = " then ";
constexpr std::string_view kElse = " else ";

}  // namespace

std::vector<ChoiceClause> ReadChoiceClauses(std::string_view statement) {
    std::vector<std::string_view> texts;
    std::string_view rest = Trim(statement);
    while (!rest.empty()) {
        const size_t found = rest.find(kElse);
        if (found == std::string_view::npos) {
            texts.push_back(rest);
            break;
        }
        texts.push_back(rest.substr(0, found));
        rest = TrimLeft(rest.substr(found + kElse.size()));
    }
    std::vector<ChoiceClause> clauses;
    for (size_t i = 0; i < texts.size(); ++i) {
        ChoiceClause clause;
        clause.text = texts[i];
        const size_t ifAt = clause.text.find(kIf);
        const size_t thenAt = clause.text.find(kThen);
        if (ifAt == std::string_view::npos && i + 1 == texts.size() && texts.size() >= 2) {
            clause.otherwise = clause.readable = true;
            clause.queue = Trim(clause.text);
        } else if (ifAt != std::string_view::npos && thenAt != std::string_view::npos) {
            // The condition lies between the first "if " and the first " then ".
            const size_t conditionAt = ifAt + kIf.size();
            clause.readable = true;
            clause.condition =
                Trim(thenAt >= conditionAt ? clause.text.substr(conditionAt, thenAt - conditionAt)
                                           : std::string_view());
            clause.queue = Trim(clause.text.substr(thenAt + kThen.size()));
        }
        clauses.push_back(clause);
    }
    return clauses;
}

std::unique_ptr<CMessageHandler> CDirector::Create() {
    return std::make_unique<CDirector>();
}

CDirector::~CDirector() {
    // The scenes go while the director is still whole; the modal list is emptied first, so
    // the modal scenes among them have nothing to hand back.
    if (IsCreated()) {
        Player().Service<CModalScenes>().Clear();
    }
    DestroyChildren();
}

bool CDirector::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    if (!CMessageHandlerContainer::Initialize(player, name, parent)) {
        return false;
    }
    if (AnotherInstanceRuns()) {
        PostClose();
        return false;
    }
    if (!applicationWindowName_.empty()) {
        if (host::WindowSystem* windows = player.Windows()) {
            windows->SetTitle(player.MainFrame(), applicationWindowName_);
        }
    }
    if (!CreateChildren()) {
        return false;
    }
    if (!keyList_.empty()) {
        ApplyKeyList(keyList_, true);
    }
    return true;
}

void CDirector::PostClose() {
    if (host::WindowSystem* windows = Player().Windows()) {
        windows->Post(Player().MainFrame(), host::msg::kClose);
    }
}

bool CDirector::AnotherInstanceRuns() const {
    host::WindowSystem* windows = Player().Windows();
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
    if (!applicationWindowName_.empty() && Player().OtherInstanceShows(applicationWindowName_)) {
        trace::Fault("The title ends at once: another player already shows \"%s\".",
                     {applicationWindowName_});
        return true;
    }
    return false;
}

void CDirector::OnKey(uint32_t key, uint32_t modifiers) {
    if (enabled_ == 0 || key > 127) {
        return;
    }
    if ((modifiers & kCharacter) && key >= 'a' && key <= 'z') {
        key -= 'a' - 'A';
    }
    std::string name = keys::KeyName(key, modifiers);
    if (anyKeyMode_ != 0) {
        lastKeyPressed_ = std::move(name);
        RunQueue("Key_*any", kEventScope);
        return;
    }
    const uint32_t index = (modifiers & kCharacter) ? key : keys::kVirtualBase + key;
    if (keyTable_[index] != 0) {
        lastKeyPressed_ = name;
        RunQueue("Key_" + name, kEventScope);
    }
}

void CDirector::ApplyKeyList(const std::string& list, bool enable) {
    keys::ApplyKeyList(list, enable, {keyTable_, anyKeyMode_});
}

void CDirector::ChooseQueue(const std::string& statement) {
    const std::vector<ChoiceClause> clauses = ReadChoiceClauses(statement);
    if (clauses.empty()) {
        trace::Fault("ChooseQueue was given an empty statement.");
        return;
    }

    // The evaluator cannot be found by name while it works: a condition that names it reads
    // nothing of it.
    std::unique_ptr<CMessageHandler> made = Player().RoleTypes().Create("Boolean");
    auto* evaluator = dynamic_cast<CStateVarBool*>(made.get());
    if (evaluator == nullptr) {
        trace::Fault("ChooseQueue could not make its evaluator: \"Boolean\" is not a role type.");
        return;
    }
    evaluator->Initialize(Player(), kEvaluatorName, nullptr);
    Player().Stage().RemoveEntry(kEvaluatorName, *evaluator);

    for (const ChoiceClause& clause : clauses) {
        if (clause.otherwise) {
            RunQueue(clause.queue, kPlainScope);
            break;
        }
        // A clause that does not read "if ... then ..." holds nothing.
        if (!clause.readable) {
            trace::Fault("ChooseQueue: the clause \"%s\" does not read if ... then ....",
                         {std::string(clause.text)});
            continue;
        }
        evaluator->EvaluateExpression(clause.condition);
        if (evaluator->Value()) {
            RunQueue(clause.queue, kPlainScope);
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
    struct Command {
        const char* name;
        uint32_t minimum;
        const char* types;
        const char* defaults;
        void (*run)(CDirector& director, CArguments& arguments);
    };
    static const Command kCommands[] = {
        // Posted: the queue that ends the title still finishes.
        {"End", 0, "", "", [](CDirector& d, CArguments&) { d.PostClose(); }},
        {"Load", 1, "string", "\"\"",
         [](CDirector& d, CArguments& a) { d.CreateRole(a[0].ToText()); }},
        {"Unload", 1, "string", "\"\"",
         [](CDirector& d, CArguments& a) { d.Unload(a[0].ToText()); }},
        {"RunQueue", 1, "string", "\"\"",
         [](CDirector& d, CArguments& a) { d.RunQueue(a[0].ToText(), kPlainScope); }},
        {"ChooseQueue", 1, "string", "\"\"",
         [](CDirector& d, CArguments& a) { d.ChooseQueue(a[0].ToText()); }},
        {"EnableKey", 1, "string", "\"\"",
         [](CDirector& d, CArguments& a) { d.ApplyKeyList(a[0].ToText(), true); }},
        {"DisableKey", 1, "string", "\"\"",
         [](CDirector& d, CArguments& a) { d.ApplyKeyList(a[0].ToText(), false); }},
        {"Shell", 1, "string,string", "\"\",\"\"",
         [](CDirector& d, CArguments& a) { d.Shell(a[0].ToText(), a[1].ToText()); }},
        {"Enable", 0, "", "", [](CDirector& d, CArguments&) { d.enabled_ = 1; }},
        {"Disable", 0, "", "", [](CDirector& d, CArguments&) { d.enabled_ = 0; }},
        {"Wait", 1, "integer", "0",
         [](CDirector& d, CArguments& a) { d.Wait(ReadInteger(a[0].ToText())); }},
        // Opening and closing the sound device; whether it opened is not passed on.
        {"StartAudio", 0, "", "",
         [](CDirector& d, CArguments&) {
             CPlayer& player = d.Player();
             player.Service<CMovieShelf>().RouteAudio(player.Service<CSoundTable>().StartAudio());
         }},
        {"EndAudio", 0, "", "",
         [](CDirector& d, CArguments&) {
             d.Player().Service<CMovieShelf>().RouteAudio(false);
             d.Player().Service<CSoundTable>().EndAudio();
         }},
    };
    for (const Command& command : kCommands) {
        const auto run = command.run;
        AddCommand(
            command.name,
            [run](CMessageHandler& target, CArguments& arguments) {
                run(static_cast<CDirector&>(target), arguments);
                return 1;
            },
            command.minimum, command.types, command.defaults);
    }
}

void CDirector::Unload(const std::string& name) {
    // Sent: the scene's "Unload" queue runs and its window is gone before the next message.
    CMessageHandler* child = FindChild(name);
    if (child != nullptr && child->HasWindow()) {
        child->System()->Send(child->Handle(), host::msg::kClose);
    }
}

void CDirector::Wait(int32_t milliseconds) {
    // A negative time waits nothing rather than for weeks.
    if (host::WindowSystem* windows = Player().Windows(); windows && milliseconds > 0) {
        windows->Sleep(static_cast<uint32_t>(milliseconds));
    }
}

void CDirector::Shell(const std::string& file, const std::string& arguments) {
    std::string commandLine(Trim(file));
    const std::string_view trimmedArguments = Trim(arguments);
    if (!trimmedArguments.empty() && trimmedArguments.front() != '\\' &&
        trimmedArguments.size() > 1) {
        commandLine += ' ';
        commandLine += trimmedArguments;
    }
    if (Player().Programs() == nullptr) {
        trace::Fault("Shell \"%s\": this run starts no programs.", {commandLine});
        return;
    }
    host::ProgramStarter& starter = *Player().Programs();
    base::Result<ShellPlan> plan = PlanShellCommand(commandLine, starter, Player().Paths());
    if (!plan) {
        return;  // traced
    }
    host::ProgramConsent* consent = Player().Consent();
    if (consent == nullptr) {
        CarryOutShellPlan(commandLine, *plan, starter);
        return;
    }
    // The answer may come frames later, or never when the play ends first; the starter
    // outlives the consent, which drops unanswered requests when it goes.
    std::string question = plan->question;
    consent->Request(std::move(question), [commandLine, plan = std::move(*plan), &starter](
                                              bool allowed, const std::string& note) {
        if (!allowed) {
            TraceShellRefusal(commandLine, note);
            return;
        }
        if (!note.empty()) {
            trace::Fault("Shell \"%s\": %s.", {host::Cp1252ToUtf8(commandLine), note});
        }
        CarryOutShellPlan(commandLine, plan, starter);
    });
}

}  // namespace stagehand
