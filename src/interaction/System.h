// CSystem: facts about the machine for scripts to read, role type "System". Measured once,
// when the role is made: "ScreenWidth", "ScreenHeight" and "ColorDepth" of the logical
// screen the title draws on, "TotalPhysicalMemory" and "AvailablePhysicalMemory" in
// thousands of bytes, "CPU", "OPeratingSystem" and "CDRomDrive".
//
// The player presents itself as the NT line of the desktop: "OPeratingSystem" is "NT" with
// the host kernel's major and minor version ("NT6.1"), and "CPU" names the processor family
// only for the old ones the titles knew ("386", "486", "Pentium", "MIPS", "ALPHA", "PPC");
// a modern processor gives the empty text. "CDRomDrive" is always "D:\", which the title
// path resolver maps to the disc folder (the title folder unless `--cd` names another).
//
// Where it bites: values for these properties in the role file are overwritten; a "Set"
// changes the stored value. What the host does not tell stays 0 or empty.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kernel/Actor.h"

namespace stagehand {

namespace system_facts {
// Bytes in thousands (not 1024s), truncated, at most the largest 32-bit integer.
int32_t Thousands(uint64_t bytes);
// "NT" and the leading "major.minor" of a kernel release ("6.1.0-13" gives "NT6.1"); empty
// when the release does not start that way.
std::string OperatingSystem(std::string_view kernelRelease);
// The processor family of a machine name ("i486", "x86_64"), by the NT rules: empty unless
// the operating system text starts with "NT".
std::string Processor(std::string_view operatingSystem, std::string_view machine);
}  // namespace system_facts

class CSystem : public CActor {
  public:
    static std::unique_ptr<CMessageHandler> Create();
    static constexpr std::string_view kDiscDrive = "D:\\";
    // Bits per pixel of the surfaces the player draws on.
    static constexpr int32_t kColorDepth = 32;

    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;

  protected:
    void RegisterProperties() override;

  private:
    int32_t screenWidth_ = 0;
    int32_t screenHeight_ = 0;
    int32_t colorDepth_ = 0;
    int32_t totalMemory_ = 0;
    int32_t availableMemory_ = 0;
    std::string cpu_;
    std::string cdRomDrive_;
    std::string operatingSystem_;
};

}  // namespace stagehand
