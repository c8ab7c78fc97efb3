#include "state/ContentManager.h"

#include "base/Format.h"
#include "host/files/ProfileReader.h"
#include "host/files/TitlePaths.h"
#include "kernel/Player.h"
#include "script/Delimiters.h"
#include "trace/Trace.h"

namespace stagehand {

namespace d = delimiters;

void CContentManager::RegisterProperties() {
    CMessageHandler::RegisterProperties();
    AddProperty("Filename", CVariant::kString, &filename_);
}

void CContentManager::ApplyRoleData() {
    CMessageHandler::ApplyRoleData();
    if (filename_.empty()) {
        return;
    }
    // The full name matters: a bare name would send the profile reader to the desktop's
    // system folder instead of the title.
    const std::string asWritten = filename_;
    filename_.clear();
    const host::TitlePaths& paths = Player().Paths();
    if (const auto found = paths.FindFirst(asWritten)) {
        filename_ = paths.TitleFullName(*found);
    }
    if (filename_.empty()) {
        trace::Fault(kSourceMissingText, {asWritten, GetName()});
    }
}

std::unique_ptr<CMessageHandler> CIniContentManager::Create() {
    return std::make_unique<CIniContentManager>();
}

void CIniContentManager::RegisterCommands() {
    CContentManager::RegisterCommands();
    AddCommand(
        "ReadContent",
        [](CMessageHandler& target, CArguments& arguments) {
            static_cast<CIniContentManager&>(target).ReadContent(arguments[0].GetString(),
                                                                 arguments[1].ToText());
            return 1;
        },
        2, "quoted string,string", "\"\"\"\",\"\"");
}

void CIniContentManager::ReadContent(const std::string& query, const std::string& variableText) {
    const std::string& self = GetName();

    // The variable is written between two enclosing characters: {HighScore}.
    const std::string variable =
        variableText.size() >= 2 ? variableText.substr(1, variableText.size() - 2) : "";
    if (variable.empty()) {
        trace::Fault(kNoEntryText, {self});
        return;
    }

    // The query is a data list: the section, then the keys.
    std::string listText = "Target";
    listText += d::TargetCommandDelimiter;
    listText += "Command";
    listText += d::DataListBegin;
    listText += query;
    listText += d::DataListEnd;
    CMessage list;
    if (!list.Parse(listText)) {
        trace::Fault(kInvalidQueryText, {self, query});
    }
    if (list.data.size() < 2) {
        trace::Fault(kNoKeyText, {self, query});
        return;
    }
    const std::string& section = list.data[0];
    const std::string& key = list.data[1];
    if (list.data.size() > 2) {
        trace::Fault(kCountMismatchText,
                     {self, static_cast<int32_t>(list.data.size() - 1), int32_t{1}});
    }

    if (filename_.empty()) {
        trace::Fault(kNoSourceText, {self});
    }
    std::string value;
    const uint32_t count =
        Player().Profiles().ReadString(filename_, section, key, "", value, kValueBufferSize);
    if (count > kMaxValueLength) {
        value.clear();
        trace::Fault(kValueTooLargeText, {filename_, section, key});
    }

    CMessageHandler* handler = Player().Stage().Find(variable);
    if (handler == nullptr) {
        trace::Fault(kNoVariableText, {self, variable});
        return;
    }
    if (!handler->SetProperty("Value", value)) {
        trace::Fault(kNotStateVariableText, {self, variable});
    }
}

}  // namespace stagehand
