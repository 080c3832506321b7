#include "CliApp.h"
#include "WindowsConsole.h"
#include "vbase/Utf8.h"

#include <windows.h>

// Arguments come as UTF-16, so that any file name reaches the command whatever the code page.
int wmain(int aArgc, wchar_t** aArgv) {
  std::vector<std::string> args;
  for (int i = 1; i < aArgc; ++i)
    args.push_back(vbase::Utf8Encode(reinterpret_cast<const char16_t*>(aArgv[i])));
  vcli::TWindowsOutput out(STD_OUTPUT_HANDLE);
  vcli::TWindowsOutput err(STD_ERROR_HANDLE);
  return vcli::RunCli(args, out.Stream(), err.Stream(), err.IsConsole());
}
