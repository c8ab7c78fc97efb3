// Builds a whole title from the input and plays it headless on the virtual clock: roles of
// every type the player knows, with properties, children and states drawn from what each
// type understands, queues for the events each type raises, holding commands of the roles
// they name, a few small media files, and a random user; the text is then mutated a little.
// The play must end (the script is bounded), and once it has ended no handler may be alive.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/PlayerKit.h"
#include "check/RoleTypeFacts.h"
#include "kernel/Container.h"
#include "kernel/MessageHandler.h"

#include "FuzzCheck.h"

namespace {

using namespace stagehand;
namespace fs = std::filesystem;

struct TypeFacts {
    std::string name;
    std::vector<std::string> properties;
    std::vector<std::string> commands;
    std::vector<std::string> events;
    bool container = false;
};

// What each role type understands, read from the handlers themselves, once.
const std::vector<TypeFacts>& Types() {
    static const std::vector<TypeFacts> types = [] {
        std::vector<TypeFacts> made;
        for (const CRoleTypeRegistry::Entry& entry : RoleTypeTable()) {
            if (entry.typeName.empty() || entry.create == nullptr) {
                continue;
            }
            std::unique_ptr<CMessageHandler> probe = entry.create();
            probe->RegisterTables();
            TypeFacts facts{std::string(entry.typeName),
                            probe->PropertyNames(),
                            probe->CommandNames(),
                            {},
                            dynamic_cast<CMessageHandlerContainer*>(probe.get()) != nullptr};
            for (const check::RoleTypeEvents& events : check::EventTable()) {
                if (events.type == entry.typeName) {
                    facts.events.assign(events.events.begin(), events.events.end());
                }
            }
            made.push_back(std::move(facts));
        }
        return made;
    }();
    return types;
}

// The title's folder with its media, made once per process.
const fs::path& Folder() {
    static const fs::path folder = [] {
        const fs::path made =
            fs::temp_directory_path() / ("stagehand-fuzz-title-" + std::to_string(getpid()));
        fs::create_directories(made);
        // A 4x4 picture of 8 bits, a short tone, a profile file and a movie that is not one.
        std::string bmp = std::string("BM") + std::string(4, '\0') + std::string(4, '\0');
        bmp += std::string("\x36\x04\0\0", 4) + std::string("\x28\0\0\0", 4);
        bmp += std::string("\x04\0\0\0\x04\0\0\0\x01\0\x08\0", 12) + std::string(24, '\0');
        for (int i = 0; i < 256; ++i) {
            bmp += std::string{char(i), char(255 - i), char(i / 2), '\0'};
        }
        bmp += std::string(16, '\x07');
        std::ofstream(made / "pic.bmp", std::ios::binary) << bmp;
        std::string wave =
            "RIFF" + std::string("\x2C\x03\0\0", 4) + "WAVEfmt " +
            std::string("\x10\0\0\0\x01\0\x01\0\x40\x1F\0\0\x40\x1F\0\0\x01\0\x08\0", 20) + "data" +
            std::string("\x00\x03\0\0", 4);
        for (int i = 0; i < 768; ++i) {
            wave.push_back(static_cast<char>(i % 16 < 8 ? 0xC0 : 0x40));
        }
        std::ofstream(made / "tone.wav", std::ios::binary) << wave;
        std::ofstream(made / "text.ini") << "[Words]\nOne=1\nTwo=2\n";
        std::ofstream(made / "movie.smk", std::ios::binary) << "SMK2 not really";
        return made;
    }();
    return folder;
}

const char* const kValues[] = {
    "0",
    "1",
    "-1",
    "100",
    "65535",
    "2147483647",
    "-2147483648",
    "pic.bmp",
    "tone.wav",
    "text.ini",
    "movie.smk",
    "missing.bmp",
    "Role1",
    "Role2",
    "Role3",
    "Director",
    "[Role1.Value]",
    "#1",
    "10,20,100,80",
    "0,0,640,480",
    "Arial",
    "",
    "Words",
    "One",
    "x",
    "C:\\pic.bmp",
    "D:\\tone.wav",
    "255,0,0",
    "True",
    "False",
};

std::string Value(FuzzedDataProvider& data, const std::vector<std::string>& roles) {
    switch (data.ConsumeIntegralInRange(0, 9)) {
        case 0:
            return data.ConsumeRandomLengthString(40);
        case 1:
            return roles.empty() ? "Director"
                                 : roles[data.ConsumeIntegralInRange<size_t>(0, roles.size() - 1)];
        case 2:
            return std::to_string(data.ConsumeIntegral<int32_t>());
        default:
            return data.PickValueInArray(kValues);
    }
}

template <typename T>
const T& Pick(FuzzedDataProvider& data, const std::vector<T>& from) {
    return from[data.ConsumeIntegralInRange<size_t>(0, from.size() - 1)];
}

struct Built {
    std::string roles;
    std::string queues;
    std::string input;
};

Built Build(FuzzedDataProvider& data) {
    const std::vector<TypeFacts>& types = Types();
    const size_t count = data.ConsumeIntegralInRange<size_t>(1, 12);
    std::vector<std::string> names;
    std::vector<const TypeFacts*> typeOf;
    for (size_t i = 0; i < count; ++i) {
        names.push_back("Role" + std::to_string(i + 1));
        typeOf.push_back(&Pick(data, types));
    }
    std::ostringstream roles;
    roles << "[Director]\nApplicationWindowName=Fuzz\n";
    // Children of the director and of containers: a role may be named by several.
    size_t child = 0;
    for (size_t i = 0; i < count; ++i) {
        if (data.ConsumeBool()) {
            roles << "Child" << ++child << '=' << names[i] << '\n';
        }
    }
    roles << "State1=Score, Integer, 3\nState2=Note, String, hello\n";
    for (size_t i = 0; i < count; ++i) {
        const TypeFacts& type = *typeOf[i];
        roles << "\n[" << names[i] << "]\nType=" << type.name << '\n';
        const size_t properties = data.ConsumeIntegralInRange<size_t>(0, 6);
        for (size_t p = 0; p < properties && !type.properties.empty(); ++p) {
            roles << Pick(data, type.properties) << '=' << Value(data, names) << '\n';
        }
        if (type.container) {
            const size_t children = data.ConsumeIntegralInRange<size_t>(0, 3);
            for (size_t c = 1; c <= children; ++c) {
                roles << "Child" << c << '=' << Pick(data, names) << '\n';
            }
        }
    }
    std::ostringstream queues;
    const size_t sections = data.ConsumeIntegralInRange<size_t>(0, 16);
    for (size_t q = 0; q < sections; ++q) {
        const size_t owner = data.ConsumeIntegralInRange<size_t>(0, count - 1);
        const TypeFacts& type = *typeOf[owner];
        const std::string event = type.events.empty() || data.ConsumeBool()
                                      ? (q == 0 ? "Load" : "Q" + std::to_string(q))
                                      : Pick(data, type.events);
        queues << '[' << names[owner] << '|' << event << "]\n";
        const size_t lines = data.ConsumeIntegralInRange<size_t>(1, 5);
        for (size_t l = 1; l <= lines; ++l) {
            const size_t target = data.ConsumeIntegralInRange<size_t>(0, count);
            const std::string targetName = target == count ? "Director" : names[target];
            std::string command = "RunQueue";
            if (target < count && !typeOf[target]->commands.empty() && data.ConsumeBool()) {
                command = Pick(data, typeOf[target]->commands);
            } else if (target == count) {
                static const std::vector<std::string> kDirector = {
                    "RunQueue", "Load", "Unload", "Wait", "ChooseQueue", "StartAudio", "EndAudio"};
                command = Pick(data, kDirector);
            }
            queues << l << '=' << targetName << '.' << command << '(';
            const size_t arguments = data.ConsumeIntegralInRange<size_t>(0, 4);
            for (size_t a = 0; a < arguments; ++a) {
                queues << (a > 0 ? "," : "")
                       << (command == "RunQueue" && a == 0
                               ? names[data.ConsumeIntegralInRange<size_t>(0, count - 1)] + "|Q" +
                                     std::to_string(data.ConsumeIntegralInRange(1, 16))
                               : Value(data, names));
            }
            queues << ")\n";
        }
    }
    std::ostringstream input;
    const size_t steps = data.ConsumeIntegralInRange<size_t>(0, 24);
    for (size_t s = 0; s < steps; ++s) {
        const int x = data.ConsumeIntegralInRange(0, 639);
        const int y = data.ConsumeIntegralInRange(0, 479);
        switch (data.ConsumeIntegralInRange(0, 4)) {
            case 0:
                input << "click " << x << ' ' << y << '\n';
                break;
            case 1:
                input << "move " << x << ' ' << y << '\n';
                break;
            case 2:
                input << "key "
                      << data.PickValueInArray(
                             {"Enter", "Escape", "Space", "F1", "A", "Left", "Tab", "BackSpace"})
                      << '\n';
                break;
            case 3:
                input << "type " << data.PickValueInArray({"abc", "hello", "1"}) << '\n';
                break;
            default:
                input << "message " << names[data.ConsumeIntegralInRange<size_t>(0, count - 1)]
                      << ".Q" << data.ConsumeIntegralInRange(1, 16) << "()\n";
                break;
        }
        input << "wait " << data.ConsumeIntegralInRange(0, 2000) << '\n';
    }
    Built built{roles.str(), queues.str(), input.str()};
    // A few bytes of the text changed, as a damaged file would have them.
    const size_t mutations = data.ConsumeIntegralInRange<size_t>(0, 3);
    for (size_t m = 0; m < mutations && !built.queues.empty(); ++m) {
        built.queues[data.ConsumeIntegralInRange<size_t>(0, built.queues.size() - 1)] =
            static_cast<char>(data.ConsumeIntegral<uint8_t>());
    }
    return built;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    const fs::path& folder = Folder();
    const Built title = Build(data);
    std::ofstream(folder / "roles.mii", std::ios::binary | std::ios::trunc) << title.roles;
    std::ofstream(folder / "msg.mii", std::ios::binary | std::ios::trunc) << title.queues;
    std::ofstream(folder / "input.txt", std::ios::binary | std::ios::trunc) << title.input;

    PlayerOptions options;
    options.titleFolder = folder.string();
    options.headless = true;
    options.input = (folder / "input.txt").string();
    options.saveDir = (folder / "saves").string();
    std::ostringstream out;
    std::ostringstream err;
    {
        CApplication app;
        const int code = app.Run(options, out, err);
        FUZZ_CHECK(code == 0 || code == 1);
    }
    FUZZ_CHECK(CMessageHandler::LiveCount() == 0);
    return 0;
}
