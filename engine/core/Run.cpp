#include "engine/core/Run.h"

#include <utility>

#include "engine/core/UserLookups.h"

namespace purlo {

Run::Run() : WindowsMajorVersion(MajorVersionFromGetVersion()), lookups_(std::make_unique<UserLookups>()) {}

Run::~Run() = default;

void Run::Shutdown() {
  ShutdownRequested = 1;
  StopRequested = 1;
  RunGate.Open();
}

void Run::CleanFor(std::unique_ptr<SystemLookups> lookups) {
  if (lookups) lookups_ = std::move(lookups);
}

}  // namespace purlo
