#include "tests/support/CliRun.h"

#include <windows.h>

#include "tests/support/Fixtures.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace testing_support {

std::wstring Wide(const std::string& utf8) { return win::FromUtf8(utf8); }
std::string Narrow(const std::wstring& text) { return win::ToUtf8(text); }

const wchar_t kCliProgram[] = L"C:\\purlo\\purlo-cli.exe";
const wchar_t kCliFolder[] = L"C:\\purlo";

win::UniqueFile InheritableOutput(const std::wstring& path) {
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  return win::UniqueFile(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
}

win::UniqueKernel StartCli(const std::wstring& arguments, HANDLE out, HANDLE err, void* environment,
                           const std::wstring& program) {
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = nullptr;
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi = {};
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  const DWORD flags = environment != nullptr ? CREATE_UNICODE_ENVIRONMENT : 0;
  if (!::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, flags, environment, kCliFolder, &si,
                        &pi)) {
    return win::UniqueKernel();
  }
  win::UniqueKernel thread(pi.hThread);
  return win::UniqueKernel(pi.hProcess);
}

CliOutput RunCli(const std::wstring& arguments) { return RunCli(arguments, nullptr); }

CliOutput RunCli(const std::wstring& arguments, void* environment) {
  return RunClisAtOnce({arguments}, environment).front();
}

namespace {

struct Started {
  win::UniqueKernel process;
  std::wstring outPath, errPath;
};

Started StartWithOutputs(const std::wstring& arguments, void* environment, const std::wstring& outPath,
                         const std::wstring& errPath, const std::wstring& program = kCliProgram) {
  Started started;
  started.outPath = outPath;
  started.errPath = errPath;
  win::UniqueFile out = InheritableOutput(outPath);
  win::UniqueFile err = InheritableOutput(errPath);
  started.process = StartCli(arguments, out.Get(), err.Get(), environment, program);
  return started;
}

CliOutput Finish(Started& started) {
  CliOutput result;
  if (!started.process) {
    result.err = "purlo-cli.exe could not be started";
    return result;
  }
  ::WaitForSingleObject(started.process.Get(), 120000);
  DWORD code = 0;
  ::GetExitCodeProcess(started.process.Get(), &code);
  result.exitCode = static_cast<int>(code);
  result.out = ReadAll(started.outPath);
  result.err = ReadAll(started.errPath);
  return result;
}

}  // namespace

std::vector<CliOutput> RunClisAtOnce(const std::vector<std::wstring>& arguments, void* environment) {
  const std::wstring folder = L"C:\\purlo-tests\\cli-output";
  MakeFolders(folder);
  std::vector<Started> started;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring n = i == 0 ? L"" : std::to_wstring(i);
    started.push_back(StartWithOutputs(arguments[i], environment, folder + L"\\out" + n + L".txt",
                                       folder + L"\\err" + n + L".txt"));
  }
  std::vector<CliOutput> results;
  for (Started& s : started) results.push_back(Finish(s));
  return results;
}

CliOutput RunCliProgram(const std::wstring& program, const std::wstring& arguments) {
  const std::wstring folder = L"C:\\purlo-tests\\cli-output";
  MakeFolders(folder);
  Started started = StartWithOutputs(arguments, nullptr, folder + L"\\out.txt", folder + L"\\err.txt", program);
  return Finish(started);
}

CliOutput RunCliInto(const std::wstring& arguments, const std::wstring& outPath) {
  const std::wstring folder = L"C:\\purlo-tests\\cli-output";
  MakeFolders(folder);
  Started started = StartWithOutputs(arguments, nullptr, outPath, folder + L"\\err.txt");
  CliOutput result = Finish(started);
  result.out.clear();  // it went to outPath
  return result;
}

const JsonCategory* JsonRun::Find(const std::wstring& id) const {
  for (const JsonCategory& c : categories) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

const JsonCategory* JsonUser::Find(const std::wstring& id) const {
  for (const JsonCategory& c : categories) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

namespace {

struct Parser {
  const std::wstring& s;
  size_t i = 0;
  bool ok = true;

  void Space() {
    while (i < s.size() && (s[i] == L' ' || s[i] == L'\n' || s[i] == L'\r' || s[i] == L'\t')) ++i;
  }
  bool Take(wchar_t c) {
    Space();
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  void Expect(wchar_t c) {
    if (!Take(c)) ok = false;
  }
  std::wstring String() {
    std::wstring out;
    Expect(L'"');
    while (ok && i < s.size() && s[i] != L'"') {
      wchar_t c = s[i++];
      if (c == L'\\' && i < s.size()) {
        wchar_t e = s[i++];
        switch (e) {
          case L'n': out += L'\n'; break;
          case L'r': out += L'\r'; break;
          case L't': out += L'\t'; break;
          case L'u': out += static_cast<wchar_t>(std::stoi(s.substr(i, 4), nullptr, 16)); i += 4; break;
          default: out += e;
        }
      } else {
        out += c;
      }
    }
    Expect(L'"');
    return out;
  }
  uint64_t Number() {
    Space();
    uint64_t v = 0;
    size_t start = i;
    while (i < s.size() && s[i] >= L'0' && s[i] <= L'9') v = v * 10 + static_cast<uint64_t>(s[i++] - L'0');
    if (i == start) ok = false;
    return v;
  }
  std::vector<std::wstring> Strings() {
    std::vector<std::wstring> out;
    Expect(L'[');
    if (Take(L']')) return out;
    do out.push_back(String());
    while (ok && Take(L','));
    Expect(L']');
    return out;
  }
  std::vector<JsonFile> Files() {
    std::vector<JsonFile> out;
    Expect(L'[');
    if (Take(L']')) return out;
    do {
      JsonFile f;
      Expect(L'{');
      do {
        std::wstring key = String();
        Expect(L':');
        if (key == L"path") f.path = String();
        else if (key == L"bytes") f.bytes = Number();
        else ok = false;
      } while (ok && Take(L','));
      Expect(L'}');
      out.push_back(f);
    } while (ok && Take(L','));
    Expect(L']');
    return out;
  }
  std::vector<JsonRefused> Refusals() {
    std::vector<JsonRefused> out;
    Expect(L'[');
    if (Take(L']')) return out;
    do {
      JsonRefused r;
      Expect(L'{');
      do {
        std::wstring key = String();
        Expect(L':');
        if (key == L"path") r.path = String();
        else if (key == L"why") r.why = String();
        else ok = false;
      } while (ok && Take(L','));
      Expect(L'}');
      out.push_back(r);
    } while (ok && Take(L','));
    Expect(L']');
    return out;
  }
  JsonCategory Category() {
    JsonCategory c;
    Expect(L'{');
    do {
      std::wstring key = String();
      Expect(L':');
      if (key == L"id") c.id = String();
      else if (key == L"status") c.status = String();
      else if (key == L"label") c.label = String();
      else if (key == L"items") c.items = Number();
      else if (key == L"bytes") c.bytes = Number();
      else if (key == L"failed") c.failed = Strings();
      else if (key == L"skipped") c.skipped = Strings();
      else if (key == L"kept") c.kept = Number();
      else if (key == L"keptBytes") c.keptBytes = Number();
      else if (key == L"refused") c.refused = Refusals();
      else if (key == L"files") {
        c.files = Files();
        c.hasFiles = true;
      }
      else ok = false;
    } while (ok && Take(L','));
    Expect(L'}');
    return c;
  }
  std::vector<JsonCategory> Categories() {
    std::vector<JsonCategory> out;
    Expect(L'[');
    if (Take(L']')) return out;
    do out.push_back(Category());
    while (ok && Take(L','));
    Expect(L']');
    return out;
  }
  JsonUser User() {
    JsonUser u;
    Expect(L'{');
    do {
      std::wstring key = String();
      Expect(L':');
      if (key == L"sid") u.sid = String();
      else if (key == L"name") u.name = String();
      else if (key == L"profile") u.profile = String();
      else if (key == L"summary") u.summary = String();
      else if (key == L"categories") u.categories = Categories();
      else ok = false;
    } while (ok && Take(L','));
    Expect(L'}');
    return u;
  }
  void Total(JsonRun& run) {
    Expect(L'{');
    do {
      std::wstring key = String();
      Expect(L':');
      if (key == L"items") run.totalItems = Number();
      else if (key == L"bytes") run.totalBytes = Number();
      else ok = false;
    } while (ok && Take(L','));
    Expect(L'}');
    run.hasTotal = true;
  }
};

}  // namespace

JsonRun ParseRun(const std::string& utf8) {
  const std::wstring text = Wide(utf8);
  Parser p{text};
  JsonRun run;
  p.Expect(L'{');
  do {
    std::wstring key = p.String();
    p.Expect(L':');
    if (key == L"run") {
      run.run = p.String();
    } else if (key == L"summary") {
      run.summary = p.String();
    } else if (key == L"categories") {
      run.categories = p.Categories();
    } else if (key == L"total") {
      p.Total(run);
    } else if (key == L"users") {
      run.hasUsers = true;
      p.Expect(L'[');
      if (!p.Take(L']')) {
        do run.users.push_back(p.User());
        while (p.ok && p.Take(L','));
        p.Expect(L']');
      }
    } else {
      p.ok = false;
    }
  } while (p.ok && p.Take(L','));
  p.Expect(L'}');
  run.parsed = p.ok;
  return run;
}

}  // namespace testing_support
