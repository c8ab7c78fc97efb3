// Feeds arbitrary text to the message parser. Besides crashes and sanitizer faults it checks
// that the parser agrees with itself: the outcome does not depend on whether an error text is
// asked for, a success leaves no error text, and a parsed message written out again parses to
// the same fields.
#include <cstdint>
#include <string>
#include <string_view>

#include "script/Message.h"

#include "FuzzCheck.h"

using stagehand::CMessage;

namespace {

bool SameFields(const CMessage& a, const CMessage& b) {
    return a.target == b.target && a.command == b.command && a.data == b.data;
}

std::string WriteOut(const CMessage& m) {
    std::string text = m.target + "." + m.command + "(";
    for (size_t i = 0; i < m.data.size(); ++i) {
        text += (i > 0 ? "," : "") + m.data[i];
    }
    return text + ")";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);

    CMessage quiet(text);
    CMessage checked;
    std::string error;
    const bool ok = checked.Parse(text, &error);
    FUZZ_CHECK(SameFields(quiet, checked) && ok == error.empty());
    (void)checked.Dump();

    if (ok) {
        CMessage again;
        FUZZ_CHECK(again.Parse(WriteOut(checked)) && SameFields(again, checked));
    }
    return 0;
}
