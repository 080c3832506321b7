// Any bytes converted as an old project by the batch host. A conversion that succeeds leaves a
// new project that loads; one that fails leaves no output, not even a partial one.
#include "FuzzTarget.h"
#include "TestFiles.h"
#include "vbase/Errors.h"
#include "vbase/Utf8.h"
#include "vcli/CliHost.h"
#include "vconvert/uConversionRun.h"
#include "vxml/XmlDocument.h"

#include <string>

using namespace vbase;
using namespace vcli;
using namespace vconvert;
using namespace vxml;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  // One folder for every input of the process; TMPDIR may put it on a memory file system.
  static const TTempFolder Folder;
  const std::string input = Folder.File("project.vlp");
  const std::string output = Folder.File("project.vxp");
  WriteFileBytes(input, FuzzBytes(aData, aSize));

  TCliHost host(Utf8Decode(input), Utf8Decode(output), true, nullptr);
  TConversionRun run(host);
  try {
    run.Execute();
  } catch (const Exception&) {
    if (Folder.Entries() != std::set<std::string>{"project.vlp"})
      FuzzFinding("a failed conversion left a file behind");
    return 0;
  }
  TXmlDocument converted;
  try {
    converted.LoadFromFile(Utf8Decode(output));
  } catch (const Exception& error) {
    FuzzFinding(std::string("a converted project does not load: ") + error.what());
  }
  std::filesystem::remove(output);
  return 0;
}
