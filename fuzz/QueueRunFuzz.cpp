// Plays any queue file against a few live state variables: the queue "Q" runs from the file,
// with tag expansion, parsing and dispatch, and the string variable's final value is then
// evaluated as a condition. Expansion must end, queue depth must come back to 0, and nothing
// may crash or touch freed memory.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/PlayerKit.h"
#include "host/files/ProfileReader.h"
#include "host/files/TitlePaths.h"
#include "kernel/Player.h"
#include "state/StateVarBool.h"

#include "FuzzCheck.h"

namespace {

using namespace stagehand;

struct Title {
    Title()
        : folder(std::filesystem::temp_directory_path() /
                 ("stagehand-fuzz-queue-" + std::to_string(::getpid()))),
          paths((std::filesystem::create_directories(folder), folder)),
          reader(paths),
          made(MakePlayer(paths, reader)),
          player(*made) {
        std::ofstream(folder / "roles.mii") << "[A]\nType=Integer\n";
        for (const auto& [type, name] :
             {std::pair{"Integer", "A"}, std::pair{"String", "S"}, std::pair{"Boolean", "B"}}) {
            handlers.push_back(player.RoleTypes().Create(type));
            handlers.back()->Initialize(player, name, nullptr);
        }
    }

    std::filesystem::path folder;
    host::TitlePaths paths;
    host::ProfileReader reader;
    std::unique_ptr<CPlayer> made;
    CPlayer& player;
    std::vector<std::unique_ptr<CMessageHandler>> handlers;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static Title title;
    {
        std::ofstream out(title.folder / "msg.mii", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    }
    for (const auto& handler : title.handlers) {
        handler->SetProperty("Value", "");
    }
    title.handlers[0]->RunQueue("Q", CMessageHandler::kPlainScope);
    FUZZ_CHECK(title.player.Stage().Budget().Depth(CWorkBudget::Kind::kQueueRun) == 0);
    auto& boolean = static_cast<CStateVarBool&>(*title.handlers[2]);
    boolean.EvaluateExpression(title.handlers[1]->GetProperty("Value"));

    std::string text(reinterpret_cast<const char*>(bytes), size);
    std::string error;
    title.player.Stage().ExpandTags(text, &error);
    FUZZ_CHECK(text.size() <= CStageManager::kMaxExpandedLength + size);
    return 0;
}
