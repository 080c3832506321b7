#include "vconvert/uUnsavedProject.h"

namespace vconvert {

TUnsavedProject::TUnsavedProject(std::unique_ptr<vxml::TXmlDocument> aDocument,
                                 std::u16string aProposal)
    : fDocument(std::move(aDocument)), fProposal(std::move(aProposal)) {}

void TUnsavedProject::SaveTo(const std::u16string& aPath) {
  fProposal = aPath;
  fDocument->SaveToFile(aPath, false);
}

} // namespace vconvert
