// CDirector: the root role of every title, created by the application under the name
// "Director" with no parent. Its "Child" roles are the title's first scenes; its commands are
// the title-wide ones: loading and unloading roles, running a queue by name or by condition,
// waiting, starting other programs, ending the title, switching audio, binding keys.
//
// Creation checks for a running instance first: when a window of the title's
// ApplicationWindowName already exists (this process's windows, and in a desktop run
// another player's of the same user), the main frame is asked to close and nothing of the
// title starts. A title without ApplicationWindowName finds the main frame itself, whose
// title is still empty then, and ends the same way (the trace says why).
//
// Guarantees: commands never fail visibly; what they pass over is in the trace. Modal scenes
// disable the director's other scenes while they exist, newest on top.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "director/KeyBindings.h"
#include "kernel/Container.h"
#include "media/SoundTable.h"

namespace stagehand {

// One clause of a ChooseQueue statement `if A then Q1 else if B then Q2 else Q3`.
struct ChoiceClause {
    std::string_view text;       // the clause as written
    std::string_view condition;  // between the first "if " and the first " then ", trimmed
    std::string_view queue;      // the queue it runs, trimmed
    bool otherwise = false;      // the last of two or more clauses without "if ": the else branch
    bool readable = false;       // reads "if ... then ..." or is the else branch
};

// The statement's clauses in order, split at each " else ".
std::vector<ChoiceClause> ReadChoiceClauses(std::string_view statement);

class CDirector : public CMessageHandlerContainer {
  public:
    static constexpr const char* kRoleName = "Director";
    static constexpr const char* kEvaluatorName = "ChooseQueueReservedEvaluator";

    static std::unique_ptr<CMessageHandler> Create();

    CDirector() = default;
    ~CDirector() override;

    // False when another instance runs (the main frame has then been asked to close).
    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;

    // One key press from the main frame: a virtual-key or character code and the modifier
    // flags below.
    void OnKey(uint32_t key, uint32_t modifiers);
    static constexpr uint32_t kShift = keys::kShift;
    static constexpr uint32_t kControl = keys::kControl;
    static constexpr uint32_t kAlt = keys::kAlt;
    static constexpr uint32_t kCharacter = keys::kCharacter;

    // Chooses a queue by a statement `if A then Q1 else if B then Q2 else Q3` and runs it.
    void ChooseQueue(const std::string& statement);

    bool IsKeyHandlingEnabled() const { return enabled_ != 0; }
    const std::string& ApplicationWindowName() const { return applicationWindowName_; }

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;

  private:
    bool AnotherInstanceRuns() const;
    // Asks the main frame to close, which ends the title.
    void PostClose();
    void Unload(const std::string& name);
    void Wait(int32_t milliseconds);
    void ApplyKeyList(const std::string& list, bool enable);
    void Shell(const std::string& file, const std::string& arguments);

    std::string keyList_;
    uint8_t keyTable_[256] = {};
    int32_t anyKeyMode_ = 0;
    std::string lastKeyPressed_;
    int32_t enabled_ = 1;
    std::string applicationWindowName_;
    // Read by the sound table when it opens the device.
    int32_t audioSamplingRate_ = CSoundTable::kDefaultSamplingRate;
};

}  // namespace stagehand
