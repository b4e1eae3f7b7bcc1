// Runs C:\purlo\purlo-cli.exe (put there by the sandbox preparation) and reads
// its JSON document.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "win/Handles.h"

namespace testing_support {

// Where the sandbox preparation puts purlo-cli.exe, and the folder it runs in.
extern const wchar_t kCliProgram[];
extern const wchar_t kCliFolder[];

// Starts a purlo-cli (kCliProgram unless another program is named) in
// kCliFolder with no standard input and its standard output and error on the
// given handles, which must be inheritable (they may be the same). The
// environment block is wide, as CREATE_UNICODE_ENVIRONMENT takes it; null
// passes this process's. The process handle, invalid when it did not start.
win::UniqueKernel StartCli(const std::wstring& arguments, HANDLE out, HANDLE err, void* environment = nullptr,
                           const std::wstring& program = kCliProgram);
// A file created (or emptied) for a child's standard output or error.
win::UniqueFile InheritableOutput(const std::wstring& path);

struct CliOutput {
  int exitCode = -1;
  std::string out;  // UTF-8
  std::string err;
};

CliOutput RunCli(const std::wstring& arguments);
// The same with the given environment block (wide, as CREATE_UNICODE_ENVIRONMENT takes it).
CliOutput RunCli(const std::wstring& arguments, void* environment);

// Several at once, each with its own output, all waited for.
std::vector<CliOutput> RunClisAtOnce(const std::vector<std::wstring>& arguments, void* environment = nullptr);
// Another build of the console, from the sandbox's C:\purlo.
CliOutput RunCliProgram(const std::wstring& program, const std::wstring& arguments);
// Standard output into the file outPath (out stays empty); standard error as RunCli.
CliOutput RunCliInto(const std::wstring& arguments, const std::wstring& outPath);

struct JsonFile {
  std::wstring path;
  uint64_t bytes = 0;
};

struct JsonRefused {
  std::wstring path, why;
};

struct JsonCategory {
  std::wstring id, status, label;
  uint64_t items = 0, bytes = 0;
  uint64_t kept = 0, keptBytes = 0;
  std::vector<JsonRefused> refused;
  std::vector<std::wstring> failed, skipped;  // sweep
  std::vector<JsonFile> files;                // scan --files
  bool hasFiles = false;
};

struct JsonUser {
  std::wstring sid, name, profile, summary;
  std::vector<JsonCategory> categories;
  const JsonCategory* Find(const std::wstring& id) const;
};

struct JsonRun {
  bool parsed = false;
  std::wstring run, summary;
  std::vector<JsonCategory> categories;  // in document order; with users, the machine's
  const JsonCategory* Find(const std::wstring& id) const;
  bool hasUsers = false;  // --user and --all-users
  std::vector<JsonUser> users;
  bool hasTotal = false;
  uint64_t totalItems = 0, totalBytes = 0;
};

// Parses the one document shape purlo-cli writes; parsed is false otherwise.
JsonRun ParseRun(const std::string& utf8);

std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& text);

}  // namespace testing_support
