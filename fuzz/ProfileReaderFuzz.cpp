// Parses the input as a profile file and runs one-key and whole-section reads against it
// with names taken from the parsed file and from the input, at buffer sizes around the
// edges; aborts when a count rule or a structural promise of the parser is broken.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/files/ProfileFile.h"
#include "host/files/ProfileReader.h"
#include "host/files/TextEncoding.h"

#include "FuzzCheck.h"

using stagehand::host::EqualsCaseBlind1252;
using stagehand::host::FoldCase1252;
using stagehand::host::ProfileFile;
using stagehand::host::ProfileReader;
using stagehand::host::ProfileSection;

namespace {

constexpr size_t kMaxSections = 8;
constexpr size_t kMaxLines = 8;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::vector<uint32_t> BufferSizes(size_t length) {
    std::vector<uint32_t> sizes = {0, 1, 2, 3, 4096};
    for (size_t delta = 0; delta < 3; ++delta) {
        if (length + delta >= 1) {
            sizes.push_back(static_cast<uint32_t>(length + delta - 1));
        }
    }
    return sizes;
}

// The value a one-key read must produce before truncation, found without the key index.
std::string ExpectedValue(const ProfileFile& file, std::string_view section, std::string_view key,
                          std::string_view dflt) {
    const std::string_view sectionName = section.substr(0, section.find('\0'));
    const std::string_view keyName = key.substr(0, key.find('\0'));
    if (const ProfileSection* s = file.FindSection(sectionName)) {
        for (size_t i = 0; i < s->LineCount(); ++i) {
            const std::optional<std::string_view> lineKey = s->LineKey(i);
            if (lineKey && EqualsCaseBlind1252(*lineKey, keyName)) {
                std::string_view value = s->Line(i).substr(lineKey->size() + 1);
                if (value.size() >= 2 && value.front() == value.back() &&
                    (value.front() == '"' || value.front() == '\'')) {
                    value = value.substr(1, value.size() - 2);
                }
                return std::string(value);
            }
        }
    }
    std::string_view d = dflt.substr(0, dflt.find('\0'));
    while (!d.empty() && d.back() == ' ') {
        d.remove_suffix(1);
    }
    return std::string(d);
}

void CheckReadString(const ProfileFile& file, std::string_view section, std::string_view key,
                     std::string_view dflt) {
    const std::string expected = ExpectedValue(file, section, key, dflt);
    std::string out;
    for (uint32_t n : BufferSizes(expected.size())) {
        out = "stale";
        const uint32_t count = ProfileReader::ReadStringFrom(&file, section, key, dflt, out, n);
        FUZZ_CHECK(count == out.size());
        if (n == 0) {
            FUZZ_CHECK(count == 0);
            continue;
        }
        FUZZ_CHECK(count <= n - 1);
        FUZZ_CHECK(StartsWith(expected, out));
        FUZZ_CHECK(count == (expected.size() <= n - 1 ? expected.size() : n - 1));
    }
    out = "stale";
    FUZZ_CHECK(ProfileReader::ReadStringFrom(nullptr, section, key, dflt, out, 64) == out.size());
}

void CheckReadSection(const ProfileFile& file, std::string_view section) {
    const ProfileSection* s = file.FindSection(section.substr(0, section.find('\0')));
    const std::string_view text = s ? s->Text() : std::string_view();
    std::string out;
    for (uint32_t n : BufferSizes(text.size())) {
        out = "stale";
        const uint32_t count = ProfileReader::ReadSectionFrom(&file, section, out, n);
        FUZZ_CHECK(count == out.size());
        FUZZ_CHECK(StartsWith(text, out));
        if (n == 0 || s == nullptr) {
            FUZZ_CHECK(count == 0);
        } else if (text.size() + 1 <= n) {
            FUZZ_CHECK(count == text.size());
        } else {
            FUZZ_CHECK(count == (n >= 2 ? n - 2 : 0));
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
                const std::optional<std::string_view> first = s.FindValue(*key);
                FUZZ_CHECK(first.has_value());
            } else {
                FUZZ_CHECK(line.front() == ';' || line.find('=') == std::string::npos);
            }
            joined.append(line);
            joined.push_back('\0');
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
            rendered.append(s.Line(i));
            rendered.push_back('\n');
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

    size_t sections = 0;
    for (const ProfileSection& s : file.Sections()) {
        if (++sections > kMaxSections) {
            break;
        }
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
