// Fills the player's fixed message templates ("Role %s is too large.") with arguments.
//
// The templates are kept exactly as the player reports them, printf style, but filled
// without printf: %s takes a text, %d and %u a number, %% is a percent sign. An argument of
// the wrong kind is written as text anyway, and a missing one as nothing, so a template can
// never read past its arguments.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace stagehand {

class FormatArg {
  public:
    FormatArg(std::string_view text) : value_(text) {}
    FormatArg(const std::string& text) : value_(std::string_view(text)) {}
    FormatArg(const char* text) : value_(std::string_view(text)) {}
    FormatArg(int32_t number) : value_(int64_t{number}) {}
    FormatArg(uint32_t number) : value_(int64_t{number}) {}
    FormatArg(int64_t number) : value_(number) {}
    FormatArg(uint64_t number) : value_(static_cast<int64_t>(number)) {}

    void AppendTo(std::string& out) const;

  private:
    std::variant<std::string_view, int64_t> value_;
};

std::string FormatText(std::string_view pattern, std::initializer_list<FormatArg> args = {});

}  // namespace stagehand
