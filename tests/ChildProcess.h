// Runs a program in a given working folder with its standard output and error going to files
// and no input, and waits for its exit status.
#pragma once

#include "TestFiles.h"

#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#include <sys/wait.h>
#endif

struct TProcessResult {
  int Status;
  std::string Out;
  std::string Err;
};

#ifdef _WIN32

// Quoted so that the C runtime's argument splitting gives the text back unchanged.
inline std::wstring CommandLineQuoted(const std::wstring& aText) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : aText) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(2 * backslashes, L'\\');
  quoted.push_back(L'"');
  return quoted;
}

inline HANDLE InheritedFile(const std::filesystem::path& aPath, DWORD aAccess, DWORD aCreation) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return ::CreateFileW(aPath.c_str(), aAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       aCreation, FILE_ATTRIBUTE_NORMAL, nullptr);
}

inline int RunProgram(const std::string& aProgram, const std::vector<std::string>& aArgs,
                      const std::filesystem::path& aFolder, const std::filesystem::path& aOut,
                      const std::filesystem::path& aErr) {
  std::wstring command = CommandLineQuoted(vbase::PathOfUtf8(aProgram).native());
  for (const std::string& arg : aArgs)
    command.append(L" ").append(CommandLineQuoted(vbase::PathOfUtf8(arg).native()));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = InheritedFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
  startup.hStdOutput = InheritedFile(aOut, GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = InheritedFile(aErr, GENERIC_WRITE, CREATE_ALWAYS);
  PROCESS_INFORMATION process{};
  DWORD status = static_cast<DWORD>(-1);
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, aFolder.c_str(),
                       &startup, &process)) {
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
  }
  for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
    ::CloseHandle(handle);
  return static_cast<int>(status);
}

#else

inline std::string ShellQuoted(const std::string& aText) {
  std::string quoted = "'";
  for (const char c : aText) {
    if (c == '\'')
      quoted.append("'\\''");
    else
      quoted.push_back(c);
  }
  quoted.push_back('\'');
  return quoted;
}

inline int RunProgram(const std::string& aProgram, const std::vector<std::string>& aArgs,
                      const std::filesystem::path& aFolder, const std::filesystem::path& aOut,
                      const std::filesystem::path& aErr) {
  std::string command = "cd " + ShellQuoted(aFolder.string()) + " && " + ShellQuoted(aProgram);
  for (const std::string& arg : aArgs)
    command.append(" ").append(ShellQuoted(arg));
  command.append(" >").append(ShellQuoted(aOut.string()));
  command.append(" 2>").append(ShellQuoted(aErr.string())).append(" </dev/null");
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

// The program's exit status and what it wrote, captured in aCapture.
inline TProcessResult RunCapturing(const std::string& aProgram,
                                   const std::vector<std::string>& aArgs,
                                   const std::filesystem::path& aFolder,
                                   const TTempFolder& aCapture) {
  const std::filesystem::path out = aCapture.Path() / "stdout", err = aCapture.Path() / "stderr";
  const int status = RunProgram(aProgram, aArgs, aFolder, out, err);
  return {status, ReadFileBytes(out), ReadFileBytes(err)};
}
