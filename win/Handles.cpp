#include "win/Handles.h"

namespace win {

CriticalSection::CriticalSection(DWORD spinCount) {
  ready_ = ::InitializeCriticalSectionAndSpinCount(&cs_, spinCount) != FALSE;
}

CriticalSection::~CriticalSection() {
  if (ready_) ::DeleteCriticalSection(&cs_);
}

}  // namespace win
