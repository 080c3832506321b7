// Running out of memory ends a conversion with its message and leaves no file behind, whatever
// the limit: each run goes to a child process whose address space is capped.
#ifndef _WIN32

#include "CliApp.h"
#include "TestFiles.h"

#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace vcli;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool UnderAddressSanitizer = true;
#else
constexpr bool UnderAddressSanitizer = false;
#endif

// Some thousand rows in a few targets with three languages: a few megabytes to convert, so that
// a sweep of limits stays quick.
std::string GeneratedProject(int aRows) {
  constexpr int Targets = 4;
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROJECT>\n<DICTIONARY><NAME>D"
                     "</NAME></DICTIONARY>\n<TARGETS>\n";
  for (int t = 0; t < Targets; ++t)
    text +=
        "<CPP_BINARY><FILENAME>C:\\app\\m" + std::to_string(t) + ".exe</FILENAME></CPP_BINARY>\n";
  text += "</TARGETS>\n<DATA><LANGUAGES><L language=\"de\"/><L language=\"fr\"/>"
          "<L language=\"sh\"/></LANGUAGES>\n<ROWS>\n";
  for (int r = 0; r < aRows; ++r) {
    const std::string n = std::to_string(r);
    text +=
        "<ROW><NATIVE>Open file " + n + " &amp; more#C#Lnext</NATIVE><COMMENT>c" + n + "</COMMENT>";
    for (const char* language : {"de", "fr", "sh"})
      text += "<TRANSLATION language=\"" + std::string(language) + "\"><VALUE>" + language + " " +
              n +
              " \xC3\xB6"
              "ffnen</VALUE></TRANSLATION>";
    // Every seventh row names a target that is not there.
    text += "<LOCATION><TYPE>FORM</TYPE><CHARS>40</CHARS><TARGET>C:\\app\\m" +
            std::to_string(r % 7 == 6 ? Targets : r % Targets) + ".exe</TARGET><UNIT>F" + n +
            "</UNIT><ITEM>B</ITEM><PROPERTY>Caption</PROPERTY></LOCATION></ROW>\n";
  }
  return text + "</ROWS></DATA>\n<EXCLUDESTRINGS><S>OK</S></EXCLUDESTRINGS>\n</PROJECT>\n";
}

// Address space this process holds, and the most it held, from /proc.
uint64_t StatusKilobytes(const std::string& aField) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with(aField + ":"))
      return std::stoull(line.substr(aField.size() + 1));
  return 0;
}

struct TLimitedRun {
  // The exit status, or none when a signal ended the child.
  std::optional<int> ExitStatus;
  int Signal = 0;
  std::string Err;
  // How much the address space grew during the run, in bytes.
  uint64_t Growth = 0;
};

// The child's part of RunLimited. What escapes the command ends the child as it would end the
// program: with a signal.
[[noreturn]] void RunInChild(const std::vector<std::string>& aArgs,
                             std::optional<uint64_t> aHeadroom, const std::string& aErrFile,
                             const std::string& aGrowthFile) noexcept {
  // Opened before the limit: only the run is to feel it.
  std::ofstream err(aErrFile);
  std::ofstream growth(aGrowthFile);
  std::ostringstream out;
  const uint64_t start = StatusKilobytes("VmSize") * 1024;
  if (aHeadroom) {
    const rlimit limit{start + *aHeadroom, RLIM_INFINITY};
    ::setrlimit(RLIMIT_AS, &limit);
  }
  const int status = RunCli(aArgs, out, err, false);
  err.flush();
  growth << StatusKilobytes("VmPeak") * 1024 - start << std::flush;
  ::_exit(status);
}

// The batch command in a forked child whose address space may grow by aHeadroom bytes at most.
TLimitedRun RunLimited(const std::vector<std::string>& aArgs, std::optional<uint64_t> aHeadroom,
                       const TTempFolder& aScratch) {
  const std::string errFile = aScratch.File("err.txt");
  const std::string growthFile = aScratch.File("growth.txt");
  const pid_t child = ::fork();
  if (child == 0)
    RunInChild(aArgs, aHeadroom, errFile, growthFile);
  int status = 0;
  ::waitpid(child, &status, 0);
  TLimitedRun run;
  if (WIFEXITED(status))
    run.ExitStatus = WEXITSTATUS(status);
  else if (WIFSIGNALED(status))
    run.Signal = WTERMSIG(status);
  run.Err = ReadFileBytes(errFile);
  std::istringstream(ReadFileBytes(growthFile)) >> run.Growth;
  return run;
}

TEST(CliMemoryTest, EveryLimitGivesTheWholeProjectOrTheMessage) {
  if (UnderAddressSanitizer)
    GTEST_SKIP() << "AddressSanitizer reserves address space far beyond any limit worth testing";
  TTempFolder folder, scratch;
  const std::string input = folder.File("app.vlp");
  const std::string output = folder.File("app.vxp");
  WriteFileBytes(input, GeneratedProject(3000));
  const std::vector<std::string> args{"-q", "-o", output, input};

  const TLimitedRun unlimited = RunLimited(args, std::nullopt, scratch);
  ASSERT_EQ(0, unlimited.ExitStatus) << unlimited.Err;
  const std::string reference = ReadFileBytes(output);
  std::filesystem::remove(output);
  ASSERT_GT(unlimited.Growth, 0u);

  const std::string message =
      "vlp5tovxp-cli: " + input + ": Not enough memory to convert \"" + input + "\"\n";
  constexpr int Steps = 16;
  int saved = 0, refused = 0;
  for (int step = 0; step < Steps; ++step) {
    // From a third of what the run took to a little more than that.
    const uint64_t headroom = unlimited.Growth / 3 + unlimited.Growth * step / (Steps - 2);
    SCOPED_TRACE("headroom " + std::to_string(headroom) + " of " +
                 std::to_string(unlimited.Growth));
    const TLimitedRun run = RunLimited(args, headroom, scratch);
    ASSERT_TRUE(run.ExitStatus) << "signal " << run.Signal << ": " << run.Err;
    if (*run.ExitStatus == 0) {
      ++saved;
      EXPECT_EQ(reference, ReadFileBytes(output));
      EXPECT_EQ("", run.Err);
      std::filesystem::remove(output);
    } else {
      ++refused;
      EXPECT_EQ(1, *run.ExitStatus);
      EXPECT_EQ(message, run.Err);
    }
    EXPECT_EQ(std::set<std::string>{"app.vlp"}, folder.Entries()) << "no output, no temporary";
  }
  // The sweep spans the limit: below it the message, above it the project.
  EXPECT_GT(saved, 0);
  EXPECT_GT(refused, 0);
}

// Without room for the threads of -j the inputs are converted in turn, each failing alike.
TEST(CliMemoryTest, NoRoomForThreadsConvertsInTurn) {
  if (UnderAddressSanitizer)
    GTEST_SKIP() << "AddressSanitizer reserves address space far beyond any limit worth testing";
  TTempFolder folder, scratch;
  std::string expected;
  std::vector<std::string> args{"-q", "-j", "2"};
  for (const char* name : {"a.vlp", "b.vlp"}) {
    const std::string input = folder.File(name);
    WriteFileBytes(input, GeneratedProject(3000));
    args.push_back(input);
    expected += "vlp5tovxp-cli: " + input + ": Not enough memory to convert \"" + input + "\"\n";
  }
  // Less than a thread's stack, less than the input's text.
  const TLimitedRun run = RunLimited(args, 1 << 20, scratch);
  ASSERT_TRUE(run.ExitStatus) << "signal " << run.Signal << ": " << run.Err;
  EXPECT_EQ(1, *run.ExitStatus);
  EXPECT_EQ(expected, run.Err);
  EXPECT_EQ((std::set<std::string>{"a.vlp", "b.vlp"}), folder.Entries());
}

} // namespace

#endif
