// The writer's step that the layer's own callers and its tests reach: a document as UTF-16 text
// appended to a builder. The public face offers the same text whole (WriteToStringW) and encoded
// (SaveToStream, SaveToFile).
#pragma once

namespace vxml {

class TXmlDocument;
class TXmlStringBuilder;

// Appends the document text to S: the top-level nodes joined by CR LF. "XML root element not
// defined." when ParserWarnings is on and there is no root element, before anything is appended.
void WriteToStreamW(TXmlDocument& aDocument, TXmlStringBuilder& aS);

} // namespace vxml
