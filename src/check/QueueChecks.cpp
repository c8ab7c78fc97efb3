// The queue file's checks: each queue as a run would read it, each message as it would be
// expanded, parsed and sent, and each event queue against the role that would raise it.
#include <map>

#include "check/TitleChecker.h"
#include "check/Wording.h"
#include "host/files/TextEncoding.h"
#include "script/Message.h"

namespace stagehand::check {

namespace {

// "a Scene", "a Scene or a Timer".
std::string AnyOf(const std::set<std::string>& types) {
    std::string text;
    for (const std::string& type : types) {
        text += (text.empty() ? "" : " or ") + WithArticle(type);
    }
    return text;
}

constexpr std::string_view kAnimationTypes[] = {"Smacker", "MCIVideo", "Amovie"};

}  // namespace

void TitleChecker::CheckQueues() {
    for (const TitleFile::Section& section : queueFile_.Sections()) {
        CheckQueue(section);
        CheckEventQueue(section);
    }
}

bool TitleChecker::QueueExists(const std::string& queue) {
    std::string text;
    return stage_.ReadMessage(queue, 1, text, nullptr);
}

void TitleChecker::CheckQueue(const TitleFile::Section& section) {
    const std::string queue(section.name);
    // The reader finds the first line of a number.
    std::map<uint32_t, const TitleFile::Line*> messages;
    for (const TitleFile::Line& line : queueFile_.LinesOf(section)) {
        if (queueFile_.IsComment(line)) {
            continue;
        }
        const std::string_view key = queueFile_.Key(line);
        if (line.equals == TitleFile::kNoEquals) {
            QueueFault(line.number, queue, {}, "the line has no \"=\": it is no message");
            continue;
        }
        const uint32_t number = WrittenNumber(key);
        if (number == 0) {
            QueueFault(line.number, queue, key,
                       Quoted(key) + " is no message number (1, 2, 3...): the message never runs");
        } else if (!messages.emplace(number, &line).second) {
            QueueFault(line.number, queue, key,
                       "message " + std::string(key) + " is written twice: this one never runs");
        }
    }

    // A run goes from message 1 up and ends before the first one it cannot read.
    uint32_t expected = 1;
    bool stopped = false;
    for (const auto& [number, line] : messages) {
        const std::string key = std::to_string(number);
        if (!stopped && number != expected) {
            stopped = true;
            QueueFault(line->number, queue, key,
                       expected == 1
                           ? "the queue has no message 1, so it never runs"
                           : "message " + std::to_string(expected) +
                                 " is missing, so the messages from " + key + " on never run");
        }
        std::string text;
        std::string error;
        if (!stage_.ReadMessage(queue, number, text, &error)) {
            QueueFault(line->number, queue, key, error);
            if (!stopped) {
                stopped = true;
                if (messages.rbegin()->first > number) {
                    QueueFault(line->number, queue, key, "the messages after this one never run");
                }
            }
            continue;
        }
        if (!stopped) {
            expected = number + 1;
        }
        CheckMessage(section, line->number, key, std::move(text));
    }
}

void TitleChecker::CheckEventQueue(const TitleFile::Section& section) {
    const std::string_view queue = section.name;
    const size_t bar = queue.find('|');
    if (bar == std::string_view::npos || queuesRunByName_.count(host::FoldCase1252(queue)) != 0) {
        return;
    }
    // The queue file finds "<role>|<event>" whatever the case of either part.
    const std::string_view role = queue.substr(0, bar);
    const std::string_view event = queue.substr(bar + 1);
    if (!roles_.HasAnyCase(role)) {
        QueueFault(section.line, queue, {},
                   "no role " + Quoted(role) + " in the title, so the queue never runs");
        return;
    }
    const std::set<std::string> types = roles_.TypesOfAnyCase(role);
    for (const std::string& type : types) {
        if (!types_.IsType(type) || types_.Raises(type, event)) {
            return;
        }
    }
    QueueFault(
        section.line, queue, {},
        AnyOf(types) + " never raises the event " + Quoted(event) + ", so the queue never runs");
}

void TitleChecker::CheckMessage(const TitleFile::Section& section, uint32_t line,
                                std::string_view key, std::string text) {
    const std::string_view queue = section.name;
    std::string error;
    if (!stage_.ExpandTags(text, &error)) {
        QueueFault(line, queue, key, error);
    }
    CMessage message;
    if (!message.Parse(text, &error)) {
        QueueFault(line, queue, key, "the message does not parse: " + error);
        return;
    }
    if (CCheckStage::IsTagBuilt(message.target)) {
        return;
    }
    if (!roles_.Has(message.target)) {
        const std::string_view spelled = roles_.SpelledAs(message.target);
        QueueFault(line, queue, key,
                   "no role " + Quoted(message.target) + " in the title" +
                       (spelled.empty()
                            ? ""
                            : " (role names are case-sensitive here: " + Quoted(spelled) + ")"));
        return;
    }
    if (CCheckStage::IsTagBuilt(message.command)) {
        return;
    }
    const std::set<std::string>& types = roles_.TypesOf(message.target);
    const CCommand* command = nullptr;
    std::string commandType;
    for (const std::string& type : types) {
        if (!types_.IsType(type)) {
            return;  // a role of unknown type: its commands are not known
        }
        if (command == nullptr) {
            command = types_.FindCommand(type, message.command);
            commandType = type;
        }
    }
    if (command == nullptr) {
        QueueFault(line, queue, key,
                   AnyOf(types) + " has no command " + Quoted(message.command) +
                       " (the target is " + Quoted(message.target) + ")");
        return;
    }
    const auto given = static_cast<uint32_t>(message.data.size());
    const std::string called = message.target + "." + message.command;
    if (given > command->ParameterCount()) {
        QueueFault(line, queue, key,
                   called + " takes " + std::to_string(command->ParameterCount()) +
                       " data elements; the message gives " + std::to_string(given));
    } else if (given < command->Minimum()) {
        QueueFault(line, queue, key,
                   called + " needs " + std::to_string(command->Minimum()) +
                       " data elements; the message gives " + std::to_string(given));
    }
    CheckData(section, line, key, commandType, message);
}

// What a message's data names: roles to create, queues to run, properties to set, files to
// open.
void TitleChecker::CheckData(const TitleFile::Section& section, uint32_t line, std::string_view key,
                             const std::string& type, const CMessage& message) {
    if (message.data.empty() || CCheckStage::IsTagBuilt(message.data[0])) {
        return;
    }
    const std::string_view queue = section.name;
    const std::string& first = message.data[0];
    const std::string& command = message.command;
    if ((type == "Director" && command == "Load") ||
        (types_.IsContainer(type) && command == "AddChild")) {
        if (roleFile_.Find(first) == nullptr) {
            QueueFault(line, queue, key, "no role " + Quoted(first) + " in the title");
        }
    } else if (type == "Director" && (command == "RunQueue" || command == "ChooseQueue")) {
        const std::vector<std::string> queues =
            command == "RunQueue" ? std::vector<std::string>{first} : ChosenQueues(first);
        for (const std::string& run : queues) {
            if (CCheckStage::IsTagBuilt(run)) {
                continue;
            }
            if (!QueueExists(run)) {
                QueueFault(line, queue, key, "no queue " + Quoted(run) + " in the title");
            } else if (const TitleFile::Section* target = queueFile_.Find(run);
                       target != nullptr && command == "RunQueue") {
                // A queue run with no condition: one that leads back here never ends.
                const TitleFile::Section* sections = queueFile_.Sections().data();
                queueCycles_.Add({static_cast<uint32_t>(&section - sections),
                                  static_cast<uint32_t>(target - sections), line,
                                  std::string(key)});
            }
        }
    } else if (command == "Set") {
        if (!types_.HasProperty(type, first)) {
            QueueFault(line, queue, key,
                       WithArticle(type) + " has no property " + Quoted(first) +
                           " (the target is " + Quoted(message.target) + ")");
        }
    } else if (command == "Open") {
        for (const std::string_view animation : kAnimationTypes) {
            if (type == animation) {
                CheckMedia(kQueueRank, line, queue, key, MediaKind::kMovie, first);
            }
        }
        if (type == "DirectSound") {
            CheckMedia(kQueueRank, line, queue, key, MediaKind::kWave, first);
        }
    }
}

}  // namespace stagehand::check
