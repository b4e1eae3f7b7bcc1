#include "engine/core/RootExpansion.h"

#include "engine/core/CategoryWalk.h"

namespace purlo {

namespace {

const wchar_t* const kProfileCaches[] = {L"Cache",           L"Code Cache",   L"GPUCache",
                                         L"DawnCache",       L"DawnGraphiteCache", L"DawnWebGPUCache",
                                         L"Media Cache",     L"Application Cache", nullptr};
const wchar_t* const kUserDataCaches[] = {L"ShaderCache", L"GrShaderCache", L"GraphiteDawnCache", L"Crashpad\\reports",
                                          nullptr};

std::wstring Under(const std::wstring& folder, const wchar_t* name) {
  return folder.empty() || folder.back() == L'\\' ? folder + name : folder + L'\\' + name;
}

}  // namespace

std::vector<std::wstring> MatchingChildren(SystemLookups& lookups, const std::wstring& base, const wchar_t* pattern,
                                           const wchar_t* marker) {
  std::vector<std::wstring> children;
  if (base.empty()) return children;
  const std::wstring folder = base.back() == L'\\' ? base : base + L'\\';
  for (const std::wstring& name : lookups.Subfolders(folder)) {
    if (!MatchesNamePattern(pattern, name.c_str(), name.size())) continue;
    const std::wstring child = folder + name;
    if (marker != nullptr && !lookups.HoldsFile(Under(child, marker))) continue;
    children.push_back(child);
  }
  return children;
}

void AddTails(const std::wstring& folder, const wchar_t* const* tails, const std::wstring& lock,
              std::vector<FoundRoot>& out) {
  for (const wchar_t* const* tail = tails; *tail != nullptr; ++tail) out.push_back(FoundRoot{Under(folder, *tail), lock});
}

void AddChildRoots(SystemLookups& lookups, const std::wstring& base, const ChildRoots& rule,
                   std::vector<FoundRoot>& out) {
  for (const std::wstring& child : MatchingChildren(lookups, base, rule.pattern, rule.marker)) {
    AddTails(child, rule.tails, rule.lock != nullptr ? Under(child, rule.lock) : std::wstring(), out);
  }
}

void AddChromiumProfileCaches(const std::wstring& profile, const std::wstring& lock, std::vector<FoundRoot>& out) {
  AddTails(profile, kProfileCaches, lock, out);
}

void AddChromiumUserData(SystemLookups& lookups, const std::wstring& userData, std::vector<FoundRoot>& out) {
  const std::wstring lock = Under(userData, L"lockfile");
  for (const std::wstring& profile : MatchingChildren(lookups, userData, L"*", L"Preferences")) {
    AddChromiumProfileCaches(profile, lock, out);
  }
  AddTails(userData, kUserDataCaches, lock, out);
}

}  // namespace purlo
