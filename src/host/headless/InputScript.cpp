#include "host/headless/InputScript.h"

#include <charconv>
#include <optional>

#include "host/files/TextEncoding.h"
#include "host/ui/Keys.h"

namespace stagehand::host {

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// Splits off the first blank-separated word.
std::string_view NextWord(std::string_view& rest) {
    rest = TrimBlanks(rest);
    size_t end = rest.find_first_of(" \t");
    if (end == std::string_view::npos) {
        end = rest.size();
    }
    std::string_view word = rest.substr(0, end);
    rest = TrimBlanks(rest.substr(end));
    return word;
}

std::optional<int32_t> ReadNumber(std::string_view word, int64_t minimum, int64_t maximum) {
    int64_t value = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) {
        return std::nullopt;
    }
    if (value < minimum || value > maximum) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

class Parser {
  public:
    InputScript Parse(std::string_view text) {
        int lineNumber = 0;
        while (!text.empty()) {
            size_t end = text.find('\n');
            if (end == std::string_view::npos) {
                end = text.size();
            }
            std::string_view line = text.substr(0, end);
            text.remove_prefix(std::min(text.size(), end + 1));
            ++lineNumber;
            ParseLine(line, lineNumber);
        }
        return std::move(script_);
    }

  private:
    void Fail(int line, const std::string& what) {
        script_.errors.push_back("input line " + std::to_string(line) + ": " + what);
    }

    void ParseLine(std::string_view line, int number) {
        std::string_view rest = TrimBlanks(line);
        if (rest.empty() || rest.front() == '#') {
            return;
        }
        const std::string command(NextWord(rest));
        InputStep step;
        step.line = number;
        using Kind = InputStep::Kind;
        if (command == "wait") {
            const auto ms = ReadNumber(NextWord(rest), 0, INT32_MAX);
            if (!ms || !rest.empty()) {
                return Fail(number, "wait needs a number of milliseconds");
            }
            step.kind = Kind::kWait;
            step.milliseconds = static_cast<uint32_t>(*ms);
        } else if (command == "move" || command == "click") {
            step.kind = command == "move" ? Kind::kMove : Kind::kClick;
            if (!ReadPosition(rest, step) || !step.hasPosition) {
                return Fail(number, command + " needs a position X Y");
            }
        } else if (command == "press" || command == "release" || command == "rpress" ||
                   command == "rrelease") {
            step.kind = command == "press"     ? Kind::kPress
                        : command == "release" ? Kind::kRelease
                        : command == "rpress"  ? Kind::kRightPress
                                               : Kind::kRightRelease;
            if (!ReadPosition(rest, step)) {
                return Fail(number, command + " takes an optional X Y");
            }
        } else if (command == "key") {
            if (!ReadKey(NextWord(rest), step) || !rest.empty()) {
                return Fail(number, "unknown key \"" + std::string(line.substr(0, 80)) + "\"");
            }
            step.kind = Kind::kKey;
        } else if (command == "type") {
            for (char c : Utf8ToCp1252(std::string(rest))) {
                InputStep typed;
                typed.kind = Kind::kCharacter;
                typed.line = number;
                typed.character = static_cast<uint8_t>(c);
                script_.steps.push_back(typed);
            }
            return;
        } else if (command == "shot") {
            if (rest.empty()) {
                return Fail(number, "shot needs a file name");
            }
            step.kind = Kind::kShot;
            step.text = std::string(rest);
        } else if (command == "print") {
            step.kind = Kind::kPrint;
            step.text = std::string(rest);
        } else if (command == "message") {
            if (rest.empty()) {
                return Fail(number, "message needs a message such as Director.RunQueue(Intro)");
            }
            step.kind = Kind::kMessage;
            step.text = Utf8ToCp1252(rest);
        } else if (command == "clock") {
            if (!rest.empty()) {
                return Fail(number, "clock takes nothing");
            }
            step.kind = Kind::kClock;
        } else if (command == "close") {
            if (!rest.empty()) {
                return Fail(number, "close takes nothing");
            }
            step.kind = Kind::kClose;
        } else if (command == "drop") {
            if (rest.empty()) {
                return Fail(number, "drop needs a file or folder");
            }
            step.kind = Kind::kDrop;
            step.text = std::string(rest);
        } else {
            return Fail(number, "unknown command \"" + command.substr(0, 40) + "\"");
        }
        script_.steps.push_back(std::move(step));
    }

    static bool ReadPosition(std::string_view rest, InputStep& step) {
        if (rest.empty()) {
            return true;
        }
        const auto x = ReadNumber(NextWord(rest), INT16_MIN, INT16_MAX);
        const auto y = ReadNumber(NextWord(rest), INT16_MIN, INT16_MAX);
        if (!x || !y || !rest.empty()) {
            return false;
        }
        step.hasPosition = true;
        step.position = {*x, *y};
        return true;
    }

    static bool ReadKey(std::string_view name, InputStep& step) {
        for (;;) {
            if (name.starts_with("Shift+") && name.size() > 6) {
                step.shift = true;
                name.remove_prefix(6);
            } else if (name.starts_with("Ctrl+") && name.size() > 5) {
                step.control = true;
                name.remove_prefix(5);
            } else if (name.starts_with("Alt+") && name.size() > 4) {
                step.alt = true;
                name.remove_prefix(4);
            } else {
                break;
            }
        }
        const auto key = vk::KeyFromName(name);
        if (!key) {
            return false;
        }
        step.virtualKey = *key;
        return true;
    }

    InputScript script_;
};

}  // namespace

InputScript ParseInputScript(std::string_view text) {
    return Parser().Parse(text);
}

}  // namespace stagehand::host
