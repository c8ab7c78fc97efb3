// CPassword, role type "Password": one password text with no window. Scripts load it from a
// file and save it to one, optionally stored with every byte complemented, and compare it
// with what the user typed through the state variables' comparisons.
//
// Guarantees: "Load" reads at most kMaxBytes bytes and never blocks on a name that is not a
// regular file; "Save" replaces the file whole or not at all (a crash or a full disk leaves
// the old password file as it was). Both resolve the name inside the title folder.
// Where it bites: a failed "Load" empties the password; a failed "Save" changes nothing and
// says so only through its result (and the trace line a failed command gets).
#pragma once

#include <string>

#include "kernel/Actor.h"

namespace stagehand {

class CPassword : public CActor {
  public:
    static constexpr size_t kMaxBytes = 256;

    static std::unique_ptr<CMessageHandler> Create();

    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;

    bool Load(const std::string& fileName);
    bool Save(const std::string& fileName);

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;

  private:
    // The bytes as stored: complemented when Encrypted is set.
    std::string Stored(std::string bytes) const;

    std::string password_;
    int32_t encrypted_ = 0;
    int32_t isEmpty_ = 1;
};

}  // namespace stagehand
