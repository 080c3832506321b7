// A converted project that is not saved yet: only the new document, so that a save that was
// cancelled or failed can be made again without converting again.
#pragma once

#include "vconvert/uVLP5Reader.h"
#include "vxml/XmlDocument.h"

#include <memory>
#include <string>

namespace vconvert {

class TUnsavedProject {
public:
  TUnsavedProject(std::unique_ptr<vxml::TXmlDocument> aDocument, std::u16string aProposal);

  // Where a save dialog starts: the path of the last save that failed, else the run's proposal.
  const std::u16string& Proposal() const { return fProposal; }
  // Writes the project to aPath as the run saves it; a failure leaves the project as it was, to
  // be saved again, and aPath as it was. aOnProgress, when given, counts the nodes written of
  // all the project's nodes, and may end the save by raising.
  void SaveTo(const std::u16string& aPath, const TOnProgressEvent& aOnProgress = {});

private:
  std::unique_ptr<vxml::TXmlDocument> fDocument;
  std::u16string fProposal;
};

} // namespace vconvert
