// Runs C:\purlo\purlo-cli.exe (put there by the sandbox preparation) and reads
// its JSON document.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

struct CliOutput {
  int exitCode = -1;
  std::string out;  // UTF-8
  std::string err;
};

CliOutput RunCli(const std::wstring& arguments);
// The same with the given environment block (wide, as CREATE_UNICODE_ENVIRONMENT takes it).
CliOutput RunCli(const std::wstring& arguments, void* environment);

struct JsonFile {
  std::wstring path;
  uint64_t bytes = 0;
};

struct JsonCategory {
  std::wstring id, label;
  uint64_t items = 0, bytes = 0;
  std::vector<std::wstring> failed, skipped;  // sweep
  std::vector<JsonFile> files;                // scan --files
  bool hasFiles = false;
};

struct JsonRun {
  bool parsed = false;
  std::wstring run, summary;
  std::vector<JsonCategory> categories;  // in document order
  const JsonCategory* Find(const std::wstring& id) const;
};

// Parses the one document shape purlo-cli writes; parsed is false otherwise.
JsonRun ParseRun(const std::string& utf8);

std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& text);

}  // namespace testing_support
