// A title on disk for engine tests: a temporary folder with `roles.mii` and `msg.mii`, the
// player that reads them (its stage manager as `stage`), and a Probe handler whose commands
// record what reaches them. Handlers made here are owned by the fixture unless a test takes
// them; the trace is caught in `traced`.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/PlayerKit.h"
#include "host/files/ProfileReader.h"
#include "host/files/TitlePaths.h"
#include "kernel/MessageHandler.h"
#include "kernel/Player.h"
#include "support/TempFolder.h"
#include "trace/Trace.h"

namespace stagehand::testing {

// A handler with a text property "Note", an integer "Count", and commands that record their
// calls in a shared log: "Log(text)" and "Run(queue)" (a plain queue run), "Event(name)" (an
// event run) and "Destroy" (the handler deletes itself through its owner's hook).
class Probe : public CMessageHandler {
  public:
    explicit Probe(std::vector<std::string>* log) : log_(log) {}

    std::function<void(Probe&)> onDestroy;
    std::string note;
    int32_t count = 0;

  protected:
    void RegisterProperties() override {
        CMessageHandler::RegisterProperties();
        AddProperty("Note", CVariant::kString, &note);
        AddProperty("Count", CVariant::kInteger, &count);
    }
    void RegisterCommands() override {
        CMessageHandler::RegisterCommands();
        AddCommand(
            "Log",
            [](CMessageHandler& target, CArguments& arguments) {
                auto& probe = static_cast<Probe&>(target);
                probe.log_->push_back(probe.GetName() + ":" + arguments[0].ToText());
                return 1;
            },
            1, "string", "\"\"");
        AddCommand(
            "Run",
            [](CMessageHandler& target, CArguments& arguments) {
                target.RunQueue(arguments[0].ToText(), kPlainScope);
                return 1;
            },
            1, "string", "\"\"");
        AddCommand(
            "Event",
            [](CMessageHandler& target, CArguments& arguments) {
                target.RunQueue(arguments[0].ToText(), kEventScope);
                return 1;
            },
            1, "string", "\"\"");
        AddCommand(
            "Destroy",
            [](CMessageHandler& target, CArguments&) {
                auto& probe = static_cast<Probe&>(target);
                // The hook deletes the probe, and the hook with it: call a copy.
                const std::function<void(Probe&)> hook = probe.onDestroy;
                if (hook) {
                    hook(probe);
                }
                return 1;
            },
            0, "", "");
    }

  private:
    std::vector<std::string>* log_;
};

class TitleFixture : public ::testing::Test {
  protected:
    TitleFixture()
        : paths_(folder_.Path()),
          reader_(paths_),
          traceSink_([this](trace::Entry entry, std::string_view text) {
              traced.push_back(std::string(trace::EntryName(entry)) + ": " + std::string(text));
          }) {
        MakePlayer({});
    }

    ~TitleFixture() override { DropPlayer(); }

    // A fresh player of the title, showing on `screen`.
    void MakePlayer(CPlayer::Links links) {
        DropPlayer();
        player = stagehand::MakePlayer(paths_, reader_, std::move(links));
        stage = &player->Stage();
    }
    // The player goes, and the handlers made here before it: they leave its table as they go.
    void DropPlayer() {
        handlers_.clear();
        player.reset();
        stage = nullptr;
    }

    void WriteRoles(std::string_view text) { folder_.Write("roles.mii", text); }
    void WriteQueues(std::string_view text) { folder_.Write("msg.mii", text); }
    std::filesystem::path WriteFile(const std::string& name, std::string_view text) {
        return folder_.Write(name, text);
    }

    // A Probe created under that name with no parent, owned by the fixture. Probes have no
    // role, so what the trace says about that is dropped.
    Probe& MakeProbe(const std::string& name) {
        auto probe = std::make_unique<Probe>(&log);
        Probe& made = *probe;
        handlers_.push_back(std::move(probe));
        const size_t tracedBefore = traced.size();
        made.Initialize(*player, name, nullptr);
        traced.resize(tracedBefore);
        return made;
    }

    // A handler of a registered role type, owned by the fixture; nullptr for unknown types.
    template <typename T = CMessageHandler>
    T* Make(std::string_view type, const std::string& name) {
        std::unique_ptr<CMessageHandler> handler = player->RoleTypes().Create(type);
        if (!handler) {
            return nullptr;
        }
        CMessageHandler* made = handler.get();
        handlers_.push_back(std::move(handler));
        made->Initialize(*player, name, nullptr);
        return dynamic_cast<T*>(made);
    }

    // Deletes a fixture-owned handler now.
    void Delete(const CMessageHandler& handler) {
        std::erase_if(handlers_, [&](const auto& owned) { return owned.get() == &handler; });
    }

    // The trace lines of one kind ("fault: ", "queue: ", "message: ").
    std::vector<std::string> Traced(std::string_view prefix) const {
        std::vector<std::string> lines;
        for (const std::string& line : traced) {
            if (line.starts_with(prefix)) {
                lines.push_back(line.substr(prefix.size()));
            }
        }
        return lines;
    }

    TempFolder folder_;
    host::TitlePaths paths_;
    host::ProfileReader reader_;
    std::vector<std::string> traced;
    trace::ScopedSink traceSink_;
    std::vector<std::string> log;
    std::unique_ptr<CPlayer> player;
    CStageManager* stage = nullptr;

  private:
    std::vector<std::unique_ptr<CMessageHandler>> handlers_;
};

}  // namespace stagehand::testing
