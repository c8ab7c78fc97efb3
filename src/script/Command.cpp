#include "script/Command.h"

#include "script/Delimiters.h"
#include "script/TextUtil.h"

namespace stagehand {

namespace d = delimiters;

std::vector<std::string> CCommand::SplitList(std::string_view list) {
    std::vector<std::string> entries;
    size_t start = 0;
    while (start < list.size()) {
        const size_t separator = list.find(d::DataElementDelimiter, start);
        if (separator == std::string_view::npos) {
            entries.emplace_back(Trim(list.substr(start)));
            break;
        }
        entries.emplace_back(Trim(list.substr(start, separator - start)));
        start = separator + d::DataElementDelimiter.size();
    }
    return entries;
}

CCommand::CCommand(CommandFunction callback, uint32_t minimum, std::string_view typeList,
                   std::string_view defaultList)
    : callback_(std::move(callback)), minimum_(minimum) {
    const std::vector<std::string> types = SplitList(typeList);
    if (types.empty()) {
        return;
    }
    // A final separator stands for one more, empty, default.
    std::string defaultsText(defaultList);
    if (defaultsText.ends_with(d::DataElementDelimiter)) {
        defaultsText += d::DataElementDelimiter;
    }
    const std::vector<std::string> defaults = SplitList(defaultsText);

    defaults_.resize(types.size());
    for (size_t i = 0; i < types.size(); ++i) {
        // A default the list leaves out is the empty text.
        std::string_view text = i < defaults.size() ? std::string_view(defaults[i]) : "";
        if (text.size() >= 2 && text.starts_with(d::StringBegin) &&
            text.ends_with(d::StringBegin)) {
            text = text.substr(d::StringBegin.size(), text.size() - 2 * d::StringBegin.size());
        }
        if (!defaults_[i].Create(text, types[i]) && fault_.empty()) {
            fault_ = "parameter " + std::to_string(i + 1) + " of type \"" + types[i] +
                     "\" cannot take the default \"" + std::string(text) + "\"";
        }
    }
}

CArguments CCommand::BuildArguments(const std::vector<std::string>& elements) const {
    CArguments arguments(defaults_.size());
    for (size_t i = 0; i < defaults_.size(); ++i) {
        arguments[i].Assign(defaults_[i]);
        if (i < elements.size()) {
            arguments[i].SetFromText(elements[i]);
        }
    }
    return arguments;
}

}  // namespace stagehand
