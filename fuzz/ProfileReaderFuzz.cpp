// Parses the input as a profile file and runs one-key and whole-section reads against it
// with names taken from the parsed file and from the input, at buffer sizes around the
// edges; aborts when a count rule or a structural promise of the parser is broken.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/files/ProfileFile.h"
#include "host/files/ProfileReader.h"
#include "host/files/TextEncoding.h"

#include "FuzzCheck.h"

using namespace stagehand::host;

namespace {

constexpr size_t kMaxSections = 8;
constexpr size_t kMaxLines = 8;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view CutAtNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

// Sizes that leave no room, and room for one less, exactly and one more than the length.
std::vector<uint32_t> BufferSizes(size_t length) {
    std::vector<uint32_t> sizes = {
        0, 1, 2, 3, 4096, static_cast<uint32_t>(length), static_cast<uint32_t>(length + 1)};
    if (length >= 1) {
        sizes.push_back(static_cast<uint32_t>(length - 1));
    }
    return sizes;
}

// The value a one-key read must produce before truncation, found without the key index.
std::string ExpectedValue(const ProfileFile& file, std::string_view section, std::string_view key,
                          std::string_view dflt) {
    const ProfileSection* s = file.FindSection(CutAtNul(section));
    for (size_t i = 0; s != nullptr && i < s->LineCount(); ++i) {
        const std::optional<std::string_view> lineKey = s->LineKey(i);
        if (lineKey && EqualsCaseBlind1252(*lineKey, CutAtNul(key))) {
            std::string_view value = s->Line(i).substr(lineKey->size() + 1);
            if (value.size() >= 2 && value.front() == value.back() &&
                (value.front() == '"' || value.front() == '\'')) {
                value = value.substr(1, value.size() - 2);
            }
            return std::string(value);
        }
    }
    std::string_view d = CutAtNul(dflt);
    return std::string(d.substr(0, d.find_last_not_of(' ') + 1));
}

void CheckReadString(const ProfileFile& file, std::string_view section, std::string_view key,
                     std::string_view dflt) {
    const std::string expected = ExpectedValue(file, section, key, dflt);
    std::string out;
    for (uint32_t n : BufferSizes(expected.size())) {
        out = "stale";
        const uint32_t count = ProfileReader::ReadStringFrom(&file, section, key, dflt, out, n);
        FUZZ_CHECK(count == out.size());
        FUZZ_CHECK(n == 0 ? count == 0 : count <= n - 1 && expected.starts_with(out));
        FUZZ_CHECK(n == 0 || count == std::min<size_t>(expected.size(), n - 1));
    }
    out = "stale";
    FUZZ_CHECK(ProfileReader::ReadStringFrom(nullptr, section, key, dflt, out, 64) == out.size());
}

void CheckReadSection(const ProfileFile& file, std::string_view section) {
    const ProfileSection* s = file.FindSection(CutAtNul(section));
    const std::string_view text = s ? s->Text() : std::string_view();
    std::string out;
    for (uint32_t n : BufferSizes(text.size())) {
        out = "stale";
        const uint32_t count = ProfileReader::ReadSectionFrom(&file, section, out, n);
        FUZZ_CHECK(count == out.size() && text.starts_with(out));
        if (n == 0 || s == nullptr) {
            FUZZ_CHECK(count == 0);
        } else {
            FUZZ_CHECK(count == (text.size() + 1 <= n ? text.size() : n >= 2 ? n - 2 : 0));
        }
    }
}

// What the parser promises about every section and line it keeps.
void CheckStructure(const ProfileFile& file) {
    for (const ProfileSection& s : file.Sections()) {
        FUZZ_CHECK(file.FindSection(s.Name()) == &s);
        FUZZ_CHECK(file.FindSection(FoldCase1252(s.Name())) == &s);
        FUZZ_CHECK(s.Name().find_first_of(std::string_view("]\r\n\0", 4)) == std::string::npos);
        std::string joined;
        for (size_t i = 0; i < s.LineCount(); ++i) {
            const std::string_view line = s.Line(i);
            FUZZ_CHECK(!line.empty() && !IsBlank(line.front()) && !IsBlank(line.back()));
            FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
            FUZZ_CHECK(!(line.front() == '[' && line.find(']') != std::string::npos));
            if (const std::optional<std::string_view> key = s.LineKey(i)) {
                FUZZ_CHECK(line.front() != ';' && line.size() > key->size());
                FUZZ_CHECK(line[key->size()] == '=' && key->find('=') == std::string::npos);
                FUZZ_CHECK(s.FindValue(*key).has_value());
            } else {
                FUZZ_CHECK(line.front() == ';' || line.find('=') == std::string::npos);
            }
            joined.append(line).push_back('\0');
        }
        FUZZ_CHECK(joined == s.Text());
    }
}

// Writing the kept sections back out and parsing again gives the same sections.
void CheckRoundTrip(const ProfileFile& file) {
    std::string rendered;
    for (const ProfileSection& s : file.Sections()) {
        rendered += "[" + std::string(s.Name()) + "]\r\n";
        for (size_t i = 0; i < s.LineCount(); ++i) {
            rendered.append(s.Line(i)).push_back('\n');
        }
    }
    const ProfileFile again = ProfileFile::Parse(rendered);
    FUZZ_CHECK(again.Sections().size() == file.Sections().size());
    for (size_t i = 0; i < file.Sections().size(); ++i) {
        FUZZ_CHECK(again.Sections()[i].Name() == file.Sections()[i].Name());
        FUZZ_CHECK(again.Sections()[i].Text() == file.Sections()[i].Text());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ProfileFile file = ProfileFile::Parse(bytes);
    CheckStructure(file);
    CheckRoundTrip(file);

    // Names straight from the input: its head and tail, NULs and all.
    const std::string_view head = bytes.substr(0, 12);
    const std::string_view tail = bytes.substr(size > 12 ? size - 12 : 0);
    for (std::string_view name : {head, tail, std::string_view()}) {
        CheckReadSection(file, name);
        CheckReadString(file, name, tail, head);
    }

    for (size_t si = 0; si < file.Sections().size() && si < kMaxSections; ++si) {
        const ProfileSection& s = file.Sections()[si];
        const std::string upper = FoldCase1252(s.Name());
        CheckReadSection(file, s.Name());
        CheckReadSection(file, upper);
        CheckReadString(file, s.Name(), head, tail);
        for (size_t i = 0; i < s.LineCount() && i < kMaxLines; ++i) {
            if (const std::optional<std::string_view> key = s.LineKey(i)) {
                CheckReadString(file, upper, *key, "");
                CheckReadString(file, s.Name(), FoldCase1252(*key), tail);
            }
        }
    }
    return 0;
}
