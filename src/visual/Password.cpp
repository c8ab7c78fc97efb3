#include "visual/Password.h"

#include "host/files/File.h"
#include "host/files/SaveFolder.h"
#include "host/files/TitlePaths.h"
#include "kernel/Player.h"
#include "trace/Trace.h"

namespace stagehand {

std::unique_ptr<CMessageHandler> CPassword::Create() {
    return std::make_unique<CPassword>();
}

bool CPassword::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    if (!CActor::Initialize(player, name, parent)) {
        return false;
    }
    isEmpty_ = password_.empty() ? 1 : 0;
    return true;
}

void CPassword::RegisterProperties() {
    CActor::RegisterProperties();
    AddProperty("Password", CVariant::kString, &password_);
    AddProperty("Encrypted", CVariant::kBoolean, &encrypted_);
    AddProperty("IsEmpty", CVariant::kBoolean, &isEmpty_);
}

void CPassword::RegisterCommands() {
    CActor::RegisterCommands();
    AddCommand(
        "Load",
        [](CMessageHandler& target, CArguments& arguments) {
            return static_cast<CPassword&>(target).Load(arguments[0].ToText()) ? 1 : 0;
        },
        1, "string", "\"\"");
    AddCommand(
        "Save",
        [](CMessageHandler& target, CArguments& arguments) {
            return static_cast<CPassword&>(target).Save(arguments[0].ToText()) ? 1 : 0;
        },
        1, "string", "\"\"");
}

std::string CPassword::Stored(std::string bytes) const {
    if (encrypted_ != 0) {
        for (char& c : bytes) {
            c = static_cast<char>(~static_cast<unsigned char>(c));
        }
    }
    return bytes;
}

bool CPassword::Load(const std::string& fileName) {
    password_.clear();
    isEmpty_ = 1;
    // The title's own save when it made one, else the file it shipped with.
    host::InputFile file =
        Player().Saves() != nullptr ? Player().Saves()->Open(fileName) : host::InputFile::Missing();
    if (!file.IsOpen() && file.Fault() == host::FileFault::kMissing) {
        const base::Result<std::filesystem::path> path = Player().Paths().Locate(fileName);
        if (!path) {
            trace::Fault("%s could not read the password file %s: %s.",
                         {GetName(), fileName, path.error()});
            return false;
        }
        file = Player().Paths().Open(*path);
    }
    std::string bytes;
    if (!file.IsOpen() || !file.ReadSpan(0, kMaxBytes, bytes)) {
        trace::Fault("%s could not read the password file %s: %s.",
                     {GetName(), fileName, file.Reason()});
        return false;
    }
    // Complementing is its own inverse: the stored form of the stored bytes is the password.
    password_ = Stored(std::move(bytes));
    isEmpty_ = password_.empty() ? 1 : 0;
    return true;
}

bool CPassword::Save(const std::string& fileName) {
    const host::SaveFolder* saves = Player().Saves();
    if (saves == nullptr) {
        trace::Fault("%s could not save the password file %s: this play keeps no saves.",
                     {GetName(), fileName});
        return false;
    }
    if (const base::Result<std::string> name = host::SaveFolder::SaveName(fileName); !name) {
        trace::Fault("%s could not save the password file %s: %s.",
                     {GetName(), fileName, name.error()});
        return false;
    }
    if (const base::Result<void> saved = saves->Write(fileName, Stored(password_)); !saved) {
        trace::Fault("%s could not save the password file %s: %s; the old file is kept.",
                     {GetName(), fileName, saved.error()});
        return false;
    }
    return true;
}

}  // namespace stagehand
