// The test clean-up handler (tests/handlers) in the sandbox: its
// registrations under allowlisted names in the prefix's machine keys, and its
// record of every load, purge step, stop and deactivation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

extern const wchar_t kHandlerRecord[];
extern const std::wstring kVolumeCaches;    // below HKEY_LOCAL_MACHINE, with its trailing separator
extern const std::wstring kMachineClasses;  // SOFTWARE\Classes\CLSID\ below HKEY_LOCAL_MACHINE

// The classes registered: the trusted copy in the system folder (twice,
// spelled differently), the copy planted in the user's folder, the system
// folder's name that is a link to it, and one only among the user's classes.
extern const wchar_t kTrustedHandler[];
extern const wchar_t kTrustedHandlerUpper[];
extern const wchar_t kPlantedHandler[];
extern const wchar_t kLinkedHandler[];
extern const wchar_t kUsersOwnHandler[];

// "Previous Installations" (3145728 bytes) and "Windows Upgrade Log Files"
// (1000), trusted; "Update Cleanup" (5000000, a slow purge of 100 steps),
// trusted; "Service Pack Cleanup", the user's class; "Delivery Optimization
// Files", planted; "Device Driver Packages" (70000, its purge fails), trusted;
// "Thumbnail Cache", behind the link.
void RegisterTestHandlers();
void RemoveTestHandlers();
// The time each step of a slow purge takes (100 ms unless set).
void SetTestHandlerStep(const wchar_t* name, unsigned milliseconds);
// What a handler registered as `name` holds now (a purge lowers it).
uint64_t TestHandlerBytes(const wchar_t* name);
std::wstring UserProfileFolder();

// The record's lines, and how many of them start with `start`.
std::vector<std::string> HandlerRecord();
size_t CountOf(const std::vector<std::string>& lines, const std::string& start);

}  // namespace testing_support
