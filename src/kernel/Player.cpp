#include "kernel/Player.h"

#include "kernel/Container.h"
#include "kernel/IniStageManager.h"

namespace stagehand {

namespace {
constexpr const char* kDirectorName = "Director";
}

CPlayer::CPlayer(const host::TitlePaths& paths, host::ProfileReader& profiles, Links links,
                 const std::vector<CRoleTypeRegistry::Entry>& roleTypes)
    : paths_(paths),
      profiles_(profiles),
      links_(std::move(links)),
      stage_(std::make_unique<CIniStageManager>(profiles)),
      registry_(roleTypes) {}

CPlayer::~CPlayer() {
    // The director first, with every role it owns, while the services are all there; then
    // the services, newest first.
    director_.reset();
    while (!services_.empty()) {
        services_.pop_back();
    }
}

bool CPlayer::StartDirector() {
    std::unique_ptr<CMessageHandler> made = registry_.Create(kDirectorName);
    auto* director = dynamic_cast<CMessageHandlerContainer*>(made.get());
    if (director == nullptr) {
        return false;
    }
    made.release();
    director_.reset(director);
    return director_->Initialize(*this, kDirectorName, nullptr);
}

CPlayerService* CPlayer::FindService(const void* key) const {
    for (const auto& [serviceKey, service] : services_) {
        if (serviceKey == key) {
            return service.get();
        }
    }
    return nullptr;
}

void CPlayer::AddService(const void* key, std::unique_ptr<CPlayerService> service) {
    services_.emplace_back(key, std::move(service));
}

}  // namespace stagehand
