#include "base/Format.h"

namespace stagehand {

void FormatArg::AppendTo(std::string& out) const {
    if (const auto* text = std::get_if<std::string_view>(&value_)) {
        out += *text;
    } else {
        out += std::to_string(std::get<int64_t>(value_));
    }
}

std::string FormatText(std::string_view pattern, std::initializer_list<FormatArg> args) {
    std::string out;
    out.reserve(pattern.size() + 32);
    const FormatArg* next = args.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c != '%' || i + 1 == pattern.size()) {
            out += c;
            continue;
        }
        char conversion = pattern[i + 1];
        if (conversion == 's' || conversion == 'd' || conversion == 'u') {
            if (next != args.end()) {
                next->AppendTo(out);
                ++next;
            }
            ++i;
        } else if (conversion == '%') {
            out += '%';
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace stagehand
