#include "kernel/IniStageManager.h"

#include "base/Format.h"
#include "host/files/ProfileReader.h"
#include "host/files/TitlePaths.h"
#include "trace/Trace.h"

namespace stagehand {

namespace {

constexpr std::string_view kQueueFileName = "msg.mii";
constexpr std::string_view kRoleFileName = "roles.mii";
constexpr char kCommentStart = ';';
constexpr char kKeyValueSeparator = '=';
constexpr char kLineTerminator = '\0';

// The title's current directory and a file name, joined by one separator.
std::string InCurrentDirectory(std::string_view file) {
    std::string path = host::TitlePaths::CurrentDirectory();
    if (!path.ends_with('\\')) {
        path += '\\';
    }
    path += file;
    return path;
}

// Fills the caller's error text, when one was asked for, from one of the player's templates.
void SetError(std::string* error, std::string_view pattern,
              std::initializer_list<FormatArg> args = {}) {
    if (error != nullptr) {
        *error = FormatText(pattern, args);
    }
}

}  // namespace

CIniStageManager::CIniStageManager(host::ProfileReader& reader)
    : reader_(reader),
      queueFile_(InCurrentDirectory(kQueueFileName)),
      roleFile_(InCurrentDirectory(kRoleFileName)) {
    // A title file the reader refuses (too large, not a file, unreadable) is a fault.
    reader_.SetErrorSink([](const std::string& message) { trace::Fault(message); });
}

bool CIniStageManager::ReadMessage(const std::string& queue, uint32_t number, std::string& text,
                                   std::string* error, uint32_t* line) {
    const std::string key = std::to_string(number);
    SetError(error, "");
    const uint32_t count =
        reader_.ReadString(queueFile_, queue, key, "", text, kMessageBufferSize, line);
    if (count >= 1 && count <= kMaxMessageLength) {
        return true;
    }
    if (count > kMaxMessageLength) {
        SetError(error, kMessageTooLargeText, {number, queue});
        // A message cut at the buffer is refused; saying so is worth a line in the trace,
        // since the queue stops here.
        if (error == nullptr) {
            trace::Fault(kMessageTooLargeText, {number, queue});
        }
    } else {
        SetError(error, kMessageTooSmallText, {number, queue});
    }
    return false;
}

std::string_view CIniStageManager::QueueFileName() const {
    return kQueueFileName;
}

bool CIniStageManager::ReadRole(const std::string& role, RoleValues& values, std::string* error) {
    SetError(error, "");
    std::string section;
    const uint32_t count = reader_.ReadSection(roleFile_, role, section, kRoleBufferSize);
    if (count < kMinRoleLength) {
        SetError(error, kRoleTooSmallText, {role});
        return false;
    }
    if (count > kMaxRoleLength) {
        SetError(error, kRoleTooLargeText, {role});
        return false;
    }
    const std::string_view text = std::string_view(section).substr(0, count);
    bool sawEntry = false;
    bool invalid = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(kLineTerminator, start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.front() == kCommentStart) {
            continue;
        }
        sawEntry = true;
        const size_t separator = line.find(kKeyValueSeparator);
        if (separator == std::string_view::npos) {
            invalid = true;
            break;
        }
        values.insert_or_assign(std::string(line.substr(0, separator)),
                                std::string(line.substr(separator + 1)));
    }
    if (!sawEntry) {
        SetError(error, kRoleOnlyCommentsText, {role});
        return false;
    }
    if (invalid) {
        SetError(error, kRoleInvalidPairText, {role});
        return false;
    }
    return true;
}

}  // namespace stagehand
