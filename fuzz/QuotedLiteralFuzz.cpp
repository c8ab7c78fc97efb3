// Feeds arbitrary text to the quoted-literal reader and to the values built on it. Checks that
// the outcome does not depend on the error text, that a success leaves none, and that any
// content, escaped and quoted again, reads back unchanged.
#include <cstdint>
#include <string>
#include <string_view>

#include "script/Delimiters.h"
#include "script/Variant.h"

#include "FuzzCheck.h"

using stagehand::CVariant;
namespace d = stagehand::delimiters;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);

    std::string quietContent;
    const bool quiet = CVariant::ParseQuoted(text, quietContent, nullptr);
    std::string content;
    std::string error;
    const bool ok = CVariant::ParseQuoted(text, content, &error);
    FUZZ_CHECK(ok == quiet && content == quietContent && ok == error.empty());

    // Escaping every escapable character makes any text a literal that reads back as itself.
    std::string escaped;
    for (char c : text) {
        if (d::EscapableCharacters.find(c) != std::string_view::npos) {
            escaped += d::LiteralDelimiter;
        }
        escaped += c;
    }
    std::string back;
    FUZZ_CHECK(CVariant::ParseQuoted(CVariant::Enquote(escaped), back, nullptr) && back == text);

    // The values built on the reader: every type, copying, comparing.
    static constexpr std::string_view kTypes[] = {"integer", "string", "boolean", "quoted string"};
    CVariant literal;
    literal.SetFromLiteral(text);
    for (std::string_view type : kTypes) {
        CVariant value;
        FUZZ_CHECK(value.Create(text, type) == value.IsValid());
        CVariant copy;
        copy.Assign(value);
        (void)copy.IsGreaterOrEqual(literal);
        (void)copy.ToQuotedText();
    }
    return 0;
}
