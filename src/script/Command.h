// CCommand: what a message handler knows about one of its commands.
//
// A command is the function that carries it out, one typed default value per parameter and
// the least number of parameters a message should give. It is registered with two texts, a
// type list such as "integer,integer" and a default list such as "0,0". When a message
// arrives, every parameter starts as a copy of its default and the message's data elements
// overwrite them in order; parameters the message leaves out keep their defaults.
//
// A type list or default list that does not build (an unknown type name, a default its type
// cannot read) is the registering class's mistake: Fault() says what is wrong, and the handler
// that registers the command reports it.
// Where it bites: a message with more elements than the command has parameters has its extra
// elements ignored here; the handler that runs the message reports them. An element that a
// "quoted string" parameter cannot read (a bare word) leaves the default in place.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "script/Variant.h"

namespace stagehand {

class CMessageHandler;

using CArguments = std::vector<CVariant>;
// A command function: the target handler and the arguments, which it may change freely.
// The result is not looked at by the dispatcher.
using CommandFunction = std::function<int(CMessageHandler& target, CArguments& arguments)>;

class CCommand {
  public:
    CCommand(CommandFunction callback, uint32_t minimum, std::string_view typeList,
             std::string_view defaultList);

    // A fresh argument list for a message's data elements.
    CArguments BuildArguments(const std::vector<std::string>& elements) const;

    // The command function itself; a caller that may destroy the command's owner while the
    // function runs calls a copy.
    const CommandFunction& Callback() const { return callback_; }
    uint32_t Minimum() const { return minimum_; }
    uint32_t ParameterCount() const { return static_cast<uint32_t>(defaults_.size()); }
    const CVariant& Default(uint32_t index) const { return defaults_.at(index); }
    // What is wrong with the registration lists, or "" when they built.
    const std::string& Fault() const { return fault_; }

    // Splits a registration list at its separators: a separator at the very end opens no
    // further entry, an empty text has none, and each entry is trimmed.
    static std::vector<std::string> SplitList(std::string_view list);

  private:
    CommandFunction callback_;
    uint32_t minimum_;
    std::vector<CVariant> defaults_;
    std::string fault_;
};

}  // namespace stagehand
