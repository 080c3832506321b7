#include "vconvert/uProjectInputs.h"

#include "TestFiles.h"
#include "vbase/Utf8Path.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

using namespace vconvert;

namespace {

TEST(ProjectInputsTest, AFolderStandsForItsProjectsInSortedOrder) {
  TTempFolder folder;
  std::filesystem::create_directories(folder.Path() / "b" / "c");
  for (const char* name : {"b/c/z.vlp", "b/a.VLP", "a.vlp", "notes.txt", "a.vlp_converted.vxp"})
    WriteFileBytes(folder.File(name), "");
  const std::string root = vbase::Utf8OfPath(folder.Path());
  const std::vector<TInputItem> expected{{folder.File("a.vlp"), std::nullopt},
                                         {folder.File("b/a.VLP"), std::nullopt},
                                         {folder.File("b/c/z.vlp"), std::nullopt}};
  EXPECT_EQ(expected, ProjectsOfInput(root));
  const std::vector<TInputItem> single{{folder.File("b/x.vlp"), std::nullopt}};
  EXPECT_EQ(single, ProjectsOfInput(root + "/./b/x.vlp"));
}

// The queue of the window and the batch command take the projects in the order of their
// arguments; what cannot be converted keeps its place as a failing item.
TEST(ProjectInputsTest, ArgumentsKeepTheirOrderAndWhatCannotBeConvertedFails) {
  TTempFolder folder;
  std::filesystem::create_directories(folder.Path() / "many");
  std::filesystem::create_directories(folder.Path() / "none");
  for (const char* name : {"many/2.vlp", "many/1.vlp", "z.vlp"})
    WriteFileBytes(folder.File(name), "");
  const std::vector<TInputItem> expected{
      {folder.File("z.vlp"), std::nullopt},
      {folder.File("many/1.vlp"), std::nullopt},
      {folder.File("many/2.vlp"), std::nullopt},
      {folder.File("none"), "no .vlp file in this folder"},
      {folder.File("missing.vlp"), std::nullopt},
  };
  EXPECT_EQ(expected, ExpandInputs({folder.File("z.vlp"), folder.File("many"), folder.File("none"),
                                    folder.File("missing.vlp")}));
}

} // namespace
