// The player's own kit: every role type a title can name, in the order the player enters
// them, and the services the roles share, made in the order their loop hooks must run (the
// cursor's filter before the zones'). The one place that knows every role folder.
#pragma once

#include <memory>
#include <vector>

#include "kernel/Player.h"

namespace stagehand {

std::vector<CRoleTypeRegistry::Entry> RoleTypeTable();

// Makes the player's services on `player`, in their order.
void MakeServices(CPlayer& player);

// A player of the title with the player's role types and services.
std::unique_ptr<CPlayer> MakePlayer(const host::TitlePaths& paths, host::ProfileReader& profiles,
                                    CPlayer::Links links = {});

}  // namespace stagehand
