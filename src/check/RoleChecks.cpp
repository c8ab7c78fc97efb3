// The role file's checks: each section as the containers and the role types would read it.
#include <optional>

#include "base/Format.h"
#include "check/TitleChecker.h"
#include "check/Wording.h"
#include "host/files/TextEncoding.h"
#include "script/TextUtil.h"

namespace stagehand::check {

namespace {

constexpr std::string_view kTypeKey = "Type";
constexpr std::string_view kMetaDataTypeKey = "MetaDataType";
constexpr std::string_view kInvalidNameText = "Role name %s is not a valid name.";

// The files a role's property names, by role type.
std::optional<MediaKind> MediaOfProperty(std::string_view type, std::string_view property) {
    struct Entry {
        std::string_view type;
        std::string_view property;
        MediaKind kind;
    };
    static constexpr Entry kTable[] = {
        {"Scene", "ImageFilename", MediaKind::kPicture},
        {"Hotspot", "ImageFile", MediaKind::kPicture},
        {"CommandButton", "ImageFile", MediaKind::kPicture},
        {"TextButton", "ImageFile", MediaKind::kPicture},
        {"Smacker", "Filename", MediaKind::kMovie},
        {"MCIVideo", "Filename", MediaKind::kMovie},
        {"Amovie", "Filename", MediaKind::kMovie},
        {"DirectSound", "Filename", MediaKind::kWave},
        {"IniContentManager", "Filename", MediaKind::kContent},
    };
    for (const Entry& entry : kTable) {
        if (entry.type == type && entry.property == property) {
            return entry.kind;
        }
    }
    return std::nullopt;
}

// The number of a numbered entry "<family><n>" as the containers write its key ("%u"), or 0.
uint32_t EntryNumber(std::string_view key, std::string_view family) {
    if (!key.starts_with(family)) {
        return 0;
    }
    const std::string_view digits = key.substr(family.size());
    return WrittenNumber(digits);
}

}  // namespace

void TitleChecker::CheckRoles() {
    if (roleFile_.Find("Director") == nullptr) {
        findings_.Add(kRoleRank, roleFileName_, 0, {}, {},
                      "there is no role \"Director\": the player has nothing to start");
    }
    for (const TitleFile::Section& section : roleFile_.Sections()) {
        CheckRole(section);
    }
}

uint32_t TitleChecker::RoleKeyLine(const TitleFile::Section& section, std::string_view key) const {
    const auto found = keyLines_.find(key);
    return found == keyLines_.end() ? section.line : found->second;
}

void TitleChecker::CheckRole(const TitleFile::Section& section) {
    const std::string name(section.name);
    if (!CMessageHandler::IsValidName(name)) {
        RoleFault(section.line, name, {}, FormatText(kInvalidNameText, {name}));
    }
    // The role reader keeps the last line written for a key.
    keyLines_.clear();
    for (const TitleFile::Line& line : roleFile_.LinesOf(section)) {
        if (!roleFile_.IsComment(line) && line.equals != TitleFile::kNoEquals) {
            keyLines_.insert_or_assign(std::string(roleFile_.Key(line)), line.number);
        }
    }
    RoleValues values;
    std::string error;
    if (!stage_.ReadRole(name, values, &error)) {
        // A line without "=" ends the reading there; what came before is still used.
        uint32_t line = section.line;
        for (const TitleFile::Line& each : roleFile_.LinesOf(section)) {
            if (!roleFile_.IsComment(each) && each.equals == TitleFile::kNoEquals) {
                line = each.number;
                break;
            }
        }
        RoleFault(line, name, {}, error);
        if (values.empty()) {
            return;
        }
    }
    values.erase(std::string(kMetaDataTypeKey));

    const bool isDirector = host::EqualsCaseBlind1252(name, "Director");
    std::string type = isDirector ? "Director" : "";
    bool typeKnown = isDirector;
    for (auto& [key, value] : values) {
        const uint32_t line = RoleKeyLine(section, key);
        error.clear();
        if (!stage_.ExpandTags(value, &error)) {
            RoleFault(line, name, key, error);
        }
        if (key != kTypeKey || isDirector || CCheckStage::IsTagBuilt(value)) {
            continue;
        }
        if (types_.IsType(value)) {
            type = value;
            typeKnown = true;
        } else {
            const std::string_view spelled = types_.SpelledAs(value);
            RoleFault(line, name, key,
                      "no role type " + Quoted(value) +
                          (spelled.empty()
                               ? ""
                               : " (type names are case-sensitive: " + Quoted(spelled) + ")"));
        }
    }
    if (!isDirector && values.count(std::string(kTypeKey)) == 0) {
        RoleFault(section.line, name, {}, "the role has no \"Type\": it cannot be created");
    }
    if (!typeKnown) {
        return;  // what its keys mean depends on the type
    }

    const bool container = types_.IsContainer(type);
    for (const auto& [key, value] : values) {
        if (key == kTypeKey ||
            (container && (EntryNumber(key, "Child") != 0 || EntryNumber(key, "State") != 0))) {
            continue;
        }
        const uint32_t line = RoleKeyLine(section, key);
        if (!types_.HasProperty(type, key)) {
            RoleFault(
                line, name, key,
                WithArticle(type) + " has no property " + Quoted(key) + ": the entry is ignored");
            continue;
        }
        if (const std::optional<MediaKind> kind = MediaOfProperty(type, key)) {
            CheckMedia(kRoleRank, line, name, key, *kind, value);
        }
    }
    if (container) {
        CheckNumbered(section, values, "Child");
        CheckNumbered(section, values, "State");
    }
    if (isDirector) {
        CheckDirector(section, values);
    }
}

void TitleChecker::CheckNumbered(const TitleFile::Section& section, const RoleValues& values,
                                 std::string_view family) {
    const std::string name(section.name);
    // The container reads the family from 1 up to the first missing number.
    std::map<uint32_t, std::string> numbered;
    for (const auto& [key, value] : values) {
        if (const uint32_t number = EntryNumber(key, family); number != 0) {
            numbered.emplace(number, key);
        }
    }
    uint32_t expected = 1;
    for (const auto& [number, key] : numbered) {
        const uint32_t line = RoleKeyLine(section, key);
        if (number != expected) {
            RoleFault(line, name, key,
                      std::string(family) + std::to_string(expected) + " is missing, so " + key +
                          " and the entries after it are never read");
            return;
        }
        ++expected;
        const std::string& value = values.at(key);
        if (family == "Child") {
            CheckChild(section, key, value);
        } else {
            CheckState(section, key, value);
        }
    }
}

void TitleChecker::CheckChild(const TitleFile::Section& section, std::string_view key,
                              const std::string& value) {
    if (CCheckStage::IsTagBuilt(value)) {
        return;
    }
    const TitleFile::Section* child = roleFile_.Find(value);
    if (child == nullptr) {
        RoleFault(RoleKeyLine(section, key), section.name, key,
                  "no role " + Quoted(value) + " in the title");
        return;
    }
    const TitleFile::Section* first = roleFile_.Sections().data();
    roleCycles_.Add({static_cast<uint32_t>(&section - first), static_cast<uint32_t>(child - first),
                     RoleKeyLine(section, key), std::string(key)});
}

void TitleChecker::CheckState(const TitleFile::Section& section, std::string_view key,
                              const std::string& value) {
    const uint32_t line = RoleKeyLine(section, key);
    if (CCheckStage::IsTagBuilt(value)) {
        return;
    }
    const size_t comma = value.find(',');
    if (comma == std::string::npos) {
        RoleFault(line, section.name, key,
                  "the state entry " + Quoted(value) + " has no type: it reads name, type, value");
        return;
    }
    const std::string_view stateName = Trim(std::string_view(value).substr(0, comma));
    std::string_view type = std::string_view(value).substr(comma + 1);
    type = Trim(type.substr(0, type.find(',')));
    if (!CMessageHandler::IsValidName(stateName)) {
        RoleFault(line, section.name, key, FormatText(kInvalidNameText, {stateName}));
    }
    if (!types_.IsType(type)) {
        RoleFault(line, section.name, key, "no role type " + Quoted(type));
    }
}

void TitleChecker::CheckDirector(const TitleFile::Section& section, const RoleValues& values) {
    const auto windowName = values.find("ApplicationWindowName");
    if (windowName == values.end() || windowName->second.empty()) {
        RoleFault(section.line, section.name, {},
                  "ApplicationWindowName is empty: the player takes the title for one already "
                  "running and ends at once");
    }
}

}  // namespace stagehand::check
