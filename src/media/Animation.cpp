#include "media/Animation.h"

namespace stagehand {

void CAnimation::RegisterProperties() {
    CActor::RegisterProperties();
    AddProperty("Left", CVariant::kInteger, &left_);
    AddProperty("Top", CVariant::kInteger, &top_);
    AddProperty("Width", CVariant::kInteger, &width_);
    AddProperty("Height", CVariant::kInteger, &height_);
    AddProperty("Filename", CVariant::kString, &filename_);
    AddProperty("CurrentFrame", CVariant::kInteger, &currentFrame_);
    AddProperty("TotalFrames", CVariant::kInteger, &totalFrames_);
    AddProperty("NotifyFrame", CVariant::kInteger, &notifyFrame_);
    AddProperty("NumberOfLoops", CVariant::kInteger, &numberOfLoops_);
    AddProperty("Transparent", CVariant::kBoolean, &transparent_);
    AddProperty("TransparentColor", CVariant::kInteger, &transparentColor_);
    AddProperty("AutoPlay", CVariant::kBoolean, &autoPlay_);
    AddProperty("Cursor", CVariant::kInteger, &cursor_);
    AddProperty("Modal", CVariant::kBoolean, &modal_);
    AddProperty("Status", CVariant::kInteger, &status_);
}

void CAnimation::RegisterCommands() {
    CActor::RegisterCommands();
    const auto nothing = [](CMessageHandler&, CArguments&) { return 1; };
    AddCommand("Open", nothing, 1, "string", "\"\"");
    for (const char* name : {"Close", "Play", "Pause", "Resume", "Stop"}) {
        AddCommand(name, nothing, 0, "", "");
    }
    AddCommand("Seek", nothing, 1, "integer", "1");
}

}  // namespace stagehand
