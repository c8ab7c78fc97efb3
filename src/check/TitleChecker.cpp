#include "check/TitleChecker.h"

#include <memory>
#include <ostream>

#include "check/Wording.h"
#include "director/Director.h"
#include "host/disc/DiscTitle.h"
#include "host/files/TextEncoding.h"
#include "script/Message.h"
#include "script/TextUtil.h"

namespace stagehand::check {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTypeKey = "Type";

// Text that a tag may build once the title plays: its value is not known before.
bool HasTag(std::string_view text) {
    return text.find_first_of("[#") != std::string_view::npos;
}

// The role's literal "Type" ("" when it has none, or it is built by a tag).
std::string TypeIn(const RoleValues& values) {
    const auto type = values.find(std::string(kTypeKey));
    return type == values.end() || HasTag(type->second) ? std::string() : type->second;
}

}  // namespace

int CheckTitle(const std::string& shownFolder, const std::optional<std::string>& disc,
               std::ostream& out, std::ostream& err) {
    std::error_code ec;
    const fs::path folder = fs::absolute(fs::path(shownFolder), ec);
    std::unique_ptr<TitleChecker> checker;
    if (std::optional<base::Result<host::ImageFolder>> image = host::OpenIfDiscImage(folder)) {
        if (!*image) {
            err << "stagehand: " << image->error() << '\n';
            return 1;
        }
        checker = std::make_unique<TitleChecker>(std::move(**image));
    } else if (ec || !fs::is_directory(folder, ec)) {
        err << "stagehand: the title folder " << shownFolder << " is not a folder\n";
        return 1;
    } else {
        checker = std::make_unique<TitleChecker>(folder);
    }
    if (disc) {
        const fs::path discPath = fs::absolute(fs::path(*disc), ec);
        if (std::optional<base::Result<host::ImageFolder>> image =
                host::OpenIfDiscImage(discPath)) {
            if (!*image) {
                err << "stagehand: " << image->error() << '\n';
                return 1;
            }
            checker->Paths().SetDiscImage(std::move(**image));
        } else if (!fs::is_directory(discPath, ec)) {
            err << "stagehand: the disc folder " << *disc << " is not a folder\n";
            return 1;
        } else {
            checker->Paths().SetDiscFolder(discPath);
        }
    }
    checker->Check();
    checker->Faults().Print(out, shownFolder);
    return checker->Faults().Count() == 0 ? 0 : 1;
}

std::vector<std::string> ChosenQueues(std::string_view statement) {
    std::vector<std::string> queues;
    for (const ChoiceClause& clause : ReadChoiceClauses(statement)) {
        if (clause.readable) {
            queues.emplace_back(clause.queue);
        }
    }
    return queues;
}

TitleChecker::TitleChecker(const fs::path& folder)
    : paths_(folder), reader_(paths_), stage_(reader_, types_, roles_), media_(paths_) {
    // The files' own faults are found here, once, with their line.
    reader_.SetErrorSink([](const std::string&) {});
}

TitleChecker::TitleChecker(host::ImageFolder folder)
    : paths_(std::move(folder)), reader_(paths_), stage_(reader_, types_, roles_), media_(paths_) {
    reader_.SetErrorSink([](const std::string&) {});
}

void TitleChecker::Check() {
    hasRoleFile_ = LoadFile("roles.mii", roleFile_, roleFileName_, kRoleRank);
    if (!hasRoleFile_) {
        return;  // no roles: nothing of the title can be made
    }
    hasQueueFile_ = LoadFile("msg.mii", queueFile_, queueFileName_, kQueueRank);
    CollectRoles();
    CheckRoles();
    if (hasQueueFile_) {
        CheckQueues();
    }
    CheckCycles();
}

void TitleChecker::CheckCycles() {
    for (const CycleFinder::Edge* edge : roleCycles_.ClosingEdges(roleFile_.Sections().size())) {
        const std::string_view from = roleFile_.Sections()[edge->from].name;
        const std::string_view to = roleFile_.Sections()[edge->to].name;
        RoleFault(edge->line, from, edge->key,
                  edge->from == edge->to
                      ? "the role holds itself: the player refuses to create a role inside itself"
                      : "\"" + std::string(to) + "\" holds \"" + std::string(from) +
                            "\" again: the player refuses to create a role inside itself");
    }
    if (!hasQueueFile_) {
        return;
    }
    for (const CycleFinder::Edge* edge : queueCycles_.ClosingEdges(queueFile_.Sections().size())) {
        const std::string_view from = queueFile_.Sections()[edge->from].name;
        const std::string_view to = queueFile_.Sections()[edge->to].name;
        QueueFault(edge->line, from, edge->key,
                   edge->from == edge->to
                       ? "the queue runs itself: the runs nest until the player stops them"
                       : "\"" + std::string(to) + "\" runs \"" + std::string(from) +
                             "\" again: the runs nest until the player stops them");
    }
}

bool TitleChecker::LoadFile(std::string_view name, TitleFile& file, std::string& shownName,
                            int rank) {
    const std::optional<fs::path> path = paths_.Resolve(name);
    if (!path) {
        findings_.Add(kTitleRank, name, 0, {}, {}, "the title has no such file");
        return false;
    }
    shownName = path->filename().string();
    if (const base::Result<void> loaded = file.Load(paths_.Open(*path)); !loaded) {
        findings_.Add(kTitleRank, shownName, 0, {}, {},
                      "the player cannot read it: " + loaded.error());
        return false;
    }
    if (file.Truncated()) {
        findings_.Add(rank, shownName, 0, {}, {},
                      "it is too long to check whole: only the first " +
                          std::to_string(TitleFile::kMaxSections) + " sections and " +
                          std::to_string(TitleFile::kMaxLines) + " lines are checked");
    }
    return true;
}

std::string TitleChecker::SectionType(std::string_view role) {
    const TitleFile::Section* section = roleFile_.Find(role);
    if (section == nullptr) {
        return {};
    }
    RoleValues values;
    stage_.ReadRole(std::string(section->name), values, nullptr);
    return TypeIn(values);
}

void TitleChecker::CollectRoles() {
    // The director is made by the player itself, whatever its section says.
    roles_.Add("Director", "Director");
    std::vector<std::string> created;
    for (const TitleFile::Section& section : roleFile_.Sections()) {
        RoleValues values;
        stage_.ReadRole(std::string(section.name), values, nullptr);
        std::string type = TypeIn(values);
        if (host::EqualsCaseBlind1252(section.name, "Director")) {
            type = "Director";
        }
        roles_.Add(std::string(section.name), type);
        if (!types_.IsContainer(type)) {
            continue;
        }
        for (const std::string_view family : {"Child", "State"}) {
            for (uint32_t n = 1;; ++n) {
                const auto entry = values.find(std::string(family) + std::to_string(n));
                if (entry == values.end()) {
                    break;
                }
                if (HasTag(entry->second)) {
                    continue;
                }
                if (family == "Child") {
                    created.push_back(entry->second);
                    continue;
                }
                const std::string& state = entry->second;
                const size_t comma = state.find(',');
                if (comma != std::string::npos) {
                    std::string_view rest = std::string_view(state).substr(comma + 1);
                    rest = rest.substr(0, rest.find(','));
                    roles_.Add(std::string(Trim(std::string_view(state).substr(0, comma))),
                               std::string(Trim(rest)));
                }
            }
        }
    }
    if (hasQueueFile_) {
        CollectFromQueues(created);
    }
    // A role created under a name takes its type from the section that name finds.
    for (const std::string& name : created) {
        if (roleFile_.Find(name) != nullptr) {
            roles_.Add(
                name, host::EqualsCaseBlind1252(name, "Director") ? "Director" : SectionType(name));
        }
    }
}

// Names that messages create roles under ("Load", "AddChild") and queues they run by name,
// as written: a name built by a tag is not known before the title plays.
void TitleChecker::CollectFromQueues(std::vector<std::string>& created) {
    for (const TitleFile::Section& section : queueFile_.Sections()) {
        const std::string queue(section.name);
        for (const TitleFile::Line& line : queueFile_.LinesOf(section)) {
            const std::string_view key = queueFile_.Key(line);
            const uint32_t number = WrittenNumber(key);
            if (number == 0) {
                continue;
            }
            std::string text;
            if (!stage_.ReadMessage(queue, number, text, nullptr)) {
                continue;
            }
            const CMessage message(text);
            if (message.data.empty()) {
                continue;
            }
            const std::string& first = message.data[0];
            if (message.command == "ChooseQueue") {
                // Conditions hold tags; the queue names after them are what counts.
                for (const std::string& chosen : ChosenQueues(first)) {
                    queuesRunByName_.insert(host::FoldCase1252(chosen));
                }
            } else if (HasTag(first)) {
                continue;
            } else if (message.command == "Load" || message.command == "AddChild") {
                created.push_back(first);
            } else if (message.command == "RunQueue") {
                queuesRunByName_.insert(host::FoldCase1252(first));
            }
        }
    }
}

void TitleChecker::CheckMedia(int rank, uint32_t line, std::string_view section,
                              std::string_view key, MediaKind kind, std::string_view name) {
    if (name.empty() || CCheckStage::IsTagBuilt(name)) {
        return;
    }
    const std::string fault = media_.Fault(kind, name);
    if (!fault.empty()) {
        findings_.Add(rank, rank == kRoleRank ? roleFileName_ : queueFileName_, line, section, key,
                      fault);
    }
}

void TitleChecker::RoleFault(uint32_t line, std::string_view section, std::string_view key,
                             std::string_view text) {
    findings_.Add(kRoleRank, roleFileName_, line, section, key, text);
}

void TitleChecker::QueueFault(uint32_t line, std::string_view section, std::string_view key,
                              std::string_view text) {
    findings_.Add(kQueueRank, queueFileName_, line, section, key, text);
}

}  // namespace stagehand::check
