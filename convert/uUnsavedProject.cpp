#include "vconvert/uUnsavedProject.h"

#include <algorithm>

namespace vconvert {

TUnsavedProject::TUnsavedProject(std::unique_ptr<vxml::TXmlDocument> aDocument,
                                 std::u16string aProposal)
    : fDocument(std::move(aDocument)), fProposal(std::move(aProposal)) {}

void TUnsavedProject::SaveTo(const std::u16string& aPath, const TOnProgressEvent& aOnProgress) {
  fProposal = aPath;
  if (!aOnProgress) {
    fDocument->SaveToFile(aPath, false);
    return;
  }
  // The writer tells of every node it has written, and of the document's start and end.
  const int64_t total = fDocument->RootNodeList()->TotalNodeCount();
  int64_t done = 0;
  aOnProgress(0, total);
  struct TProgressScope {
    vxml::TXmlDocument& Document;
    ~TProgressScope() { Document.OnProgress = nullptr; }
  } scope{*fDocument};
  fDocument->OnProgress = [&](vxml::TXmlDocument*, int64_t, int64_t) {
    done = std::min(done + 1, total);
    aOnProgress(done, total);
  };
  // Nothing may raise once the file is in place: the writer's last report came before.
  fDocument->SaveToFile(aPath, false);
}

} // namespace vconvert
