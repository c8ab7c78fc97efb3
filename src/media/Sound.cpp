#include "media/Sound.h"

namespace stagehand {

void CSound::RegisterProperties() {
    CActor::RegisterProperties();
    AddProperty("Filename", CVariant::kString, &filename_);
    AddProperty("AutoPlay", CVariant::kBoolean, &autoPlay_);
}

void CSound::RegisterCommands() {
    CActor::RegisterCommands();
    const auto nothing = [](CMessageHandler&, CArguments&) { return 1; };
    AddCommand("Open", nothing, 1, "string", "\"\"");
    for (const char* name : {"Close", "Play", "Pause", "Resume", "Stop"}) {
        AddCommand(name, nothing, 0, "", "");
    }
    AddCommand("Seek", nothing, 1, "integer", "1");
}

}  // namespace stagehand
