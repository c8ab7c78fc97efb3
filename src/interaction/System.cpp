#include "interaction/System.h"

#include <algorithm>
#include <limits>

#include "host/system/MachineFacts.h"
#include "host/ui/WindowSystem.h"
#include "kernel/Player.h"

namespace stagehand {

namespace system_facts {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A run of at most nine digits at `pos`, moved past; empty when there is none or more.
std::string_view Number(std::string_view text, size_t& pos) {
    const size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos])) {
        ++pos;
    }
    const std::string_view digits = text.substr(start, pos - start);
    return digits.size() <= 9 ? digits : std::string_view();
}

std::string_view WithoutLeadingZeros(std::string_view digits) {
    while (digits.size() > 1 && digits.front() == '0') {
        digits.remove_prefix(1);
    }
    return digits;
}

bool StartsWithCaseBlind(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return (a | 0x20) == (b | 0x20); });
}

}  // namespace

int32_t Thousands(uint64_t bytes) {
    return static_cast<int32_t>(
        std::min<uint64_t>(bytes / 1000, std::numeric_limits<int32_t>::max()));
}

std::string OperatingSystem(std::string_view kernelRelease) {
    size_t pos = 0;
    const std::string_view major = Number(kernelRelease, pos);
    if (major.empty() || pos >= kernelRelease.size() || kernelRelease[pos] != '.') {
        return {};
    }
    ++pos;
    const std::string_view minor = Number(kernelRelease, pos);
    if (minor.empty()) {
        return {};
    }
    return "NT" + std::string(WithoutLeadingZeros(major)) + "." +
           std::string(WithoutLeadingZeros(minor));
}

std::string Processor(std::string_view operatingSystem, std::string_view machine) {
    if (!StartsWithCaseBlind(operatingSystem, "NT")) {
        return {};
    }
    // Intel processors by level (3, 4, 5; 6 and later are not named), then the other
    // architectures the desktop's NT line ran on, whatever their model.
    struct Family {
        std::string_view machine;
        bool wholeName;
        std::string_view name;
    };
    static constexpr Family kFamilies[] = {
        {"i386", true, "386"},     {"i486", true, "486"},     {"i586", true, "Pentium"},
        {"mips", false, "MIPS"},   {"alpha", false, "ALPHA"}, {"ppc", false, "PPC"},
        {"powerpc", false, "PPC"},
    };
    for (const Family& family : kFamilies) {
        if (family.wholeName ? machine == family.machine : machine.starts_with(family.machine)) {
            return std::string(family.name);
        }
    }
    return {};
}

}  // namespace system_facts

std::unique_ptr<CMessageHandler> CSystem::Create() {
    return std::make_unique<CSystem>();
}

bool CSystem::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    if (!CActor::Initialize(player, name, parent)) {
        return false;
    }
    if (host::WindowSystem* windows = player.Windows()) {
        screenWidth_ = windows->ScreenSize().width;
        screenHeight_ = windows->ScreenSize().height;
        colorDepth_ = kColorDepth;
    }
    const host::MachineFacts facts = host::ReadMachineFacts();
    operatingSystem_ = system_facts::OperatingSystem(facts.kernelRelease);
    cpu_ = system_facts::Processor(operatingSystem_, facts.processorArchitecture);
    totalMemory_ = system_facts::Thousands(facts.totalPhysicalMemory);
    availableMemory_ = system_facts::Thousands(facts.availablePhysicalMemory);
    cdRomDrive_ = kDiscDrive;
    return true;
}

void CSystem::RegisterProperties() {
    CActor::RegisterProperties();
    AddProperty("ScreenWidth", CVariant::kInteger, &screenWidth_);
    AddProperty("ScreenHeight", CVariant::kInteger, &screenHeight_);
    AddProperty("ColorDepth", CVariant::kInteger, &colorDepth_);
    AddProperty("TotalPhysicalMemory", CVariant::kInteger, &totalMemory_);
    AddProperty("AvailablePhysicalMemory", CVariant::kInteger, &availableMemory_);
    AddProperty("CPU", CVariant::kString, &cpu_);
    AddProperty("CDRomDrive", CVariant::kString, &cdRomDrive_);
    AddProperty("OPeratingSystem", CVariant::kString, &operatingSystem_);
}

}  // namespace stagehand
