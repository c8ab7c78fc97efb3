#include "check/CheckStage.h"

#include "base/Format.h"
#include "script/Delimiters.h"
#include "script/TextUtil.h"

namespace stagehand::check {

CCheckStage::CCheckStage(host::ProfileReader& reader, const RoleTypeFacts& types,
                         const TitleRoles& roles)
    : CIniStageManager(reader), types_(types), roles_(roles) {}

bool CCheckStage::EvaluateTag(std::string_view content, TagKind kind, std::string& value,
                              std::string* error) {
    value.clear();
    if (kind == TagKind::kHashMark) {
        return true;
    }
    auto fail = [error](std::string_view pattern, std::initializer_list<FormatArg> args) {
        if (error != nullptr) {
            *error = FormatText(pattern, args);
        }
        return false;
    };
    if (content.empty()) {
        return fail(kNoDataText, {});
    }
    const size_t dot = content.find(delimiters::TargetCommandDelimiter);
    if (dot == std::string_view::npos) {
        return fail(kMissingDelimiterText, {content});
    }
    const std::string_view handlerName = Trim(content.substr(0, dot));
    const std::string_view property = Trim(content.substr(dot + 1));
    if (!CMessageHandler::IsValidName(handlerName)) {
        return fail(kInvalidHandlerNameText, {content});
    }
    if (!roles_.Has(handlerName)) {
        return fail(kNoHandlerText, {content});
    }
    // Only a property that no type the role can have knows is sure to be missing.
    bool known = false;
    for (const std::string& type : roles_.TypesOf(handlerName)) {
        if (!types_.IsType(type) || types_.HasProperty(type, property)) {
            known = true;
        }
    }
    if (!known) {
        return fail(CMessageHandler::kInvalidPropertyText, {handlerName, property});
    }
    value.assign(kTagValue.size(), kTagValue.front());
    return true;
}

}  // namespace stagehand::check
