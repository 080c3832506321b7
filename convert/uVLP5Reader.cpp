#include "vconvert/uVLP5Reader.h"

#include "vbase/Characters.h"
#include "vbase/Errors.h"
#include "vbase/IntegerText.h"
#include "vbase/Utf8.h"

#include <algorithm>
#include <exception>
#include <new>
#include <string>

namespace vconvert {

using namespace std::string_view_literals;

using vbase::EAssertionFailed;
using vbase::IntToText;
using vbase::SameCodeUnits;
using vxml::AppendUnescaped;
using vxml::TXmlDocument;
using vxml::TXmlNode;
using vxml::xeCData;
using vxml::xeCharData;

namespace {

// Lines reported by the structural checks of ReadTarget; users and their bug reports know
// the failures by these numbers.
constexpr int32_t ProjectFileLine = 151;
constexpr int32_t BinaryFileNameLine = 162;
constexpr int32_t VirtualFileNameLine = 172;

// An element's text: its value, then the text of its character-data and CDATA children in
// document order. Old projects may keep a text in a CDATA section or split it around one; the
// element's value alone would drop that part of the user's text.
void AppendElementText(const TXmlNode& aNode, std::u16string& aText) {
  AppendUnescaped(aText, aNode.ValueDirect());
  for (int32_t i = 0; i < aNode.NodeCount(); ++i) {
    const TXmlNode& child = *aNode.Nodes(i);
    if (child.ElementType() == xeCData)
      aText += child.ValueDirect(); // CDATA content is stored as written, never escaped
    else if (child.ElementType() == xeCharData)
      AppendUnescaped(aText, child.ValueDirect());
  }
}

std::u16string ElementText(const TXmlNode& aNode) {
  std::u16string text;
  AppendElementText(aNode, text);
  return text;
}

// ElementText into a string that keeps its room from one row to the next.
void AssignElementText(const TXmlNode& aNode, std::u16string& aText) {
  aText.clear();
  AppendElementText(aNode, aText);
}

std::u16string TakeSpareText(std::vector<std::u16string>& aSpareTexts) {
  if (aSpareTexts.empty())
    return {};
  std::u16string text = std::move(aSpareTexts.back());
  aSpareTexts.pop_back();
  return text;
}

// Leaves the first aCount entries; the texts of the others keep their room in aSpareTexts.
void CutTranslations(TTranslations& aTranslations, std::size_t aCount,
                     std::vector<std::u16string>& aSpareTexts) {
  while (aTranslations.size() > aCount) {
    aSpareTexts.push_back(std::move(aTranslations.back().Text));
    aTranslations.pop_back();
  }
}

// The message of the exception being handled, whatever its kind.
std::u16string MessageOfCurrentException() {
  try {
    throw;
  } catch (const vbase::Exception& error) {
    return error.Message();
  } catch (const std::exception& error) {
    return vbase::Utf8Decode(error.what());
  } catch (...) {
    return u"An unknown exception occurred.";
  }
}

const TXmlNode& RequiredChild(const TXmlNode& aNode, std::u16string_view aName, int32_t aLine) {
  if (const TXmlNode* child = aNode.NodeByName(aName))
    return *child;
  throw EAssertionFailed(u"Assertion failure (uVLP5Reader, line " + IntToText(aLine) + u")");
}

std::u16string ChildValue(const TXmlNode& aNode, std::u16string_view aName) {
  const TXmlNode* child = aNode.NodeByName(aName);
  return child ? ElementText(*child) : std::u16string();
}

// A missing child reads as 0; a present one must be an integer.
int32_t StrictChildInteger(const TXmlNode& aNode, std::u16string_view aName) {
  const TXmlNode* child = aNode.NodeByName(aName);
  return child ? child->ValueAsInteger() : 0;
}

// Appends "." and aPart's text to aPath; returns where that text starts.
std::size_t AppendPathPart(const TXmlNode& aPart, std::u16string& aPath) {
  aPath += u'.';
  const std::size_t start = aPath.size();
  AppendElementText(aPart, aPath);
  return start;
}

void ReadFormLocation(const TXmlNode& aLocation, TLocation& aResult) {
  std::u16string& context = aResult.VXPContext;
  context = u"Forms";
  // The form and component names are parts of the path: copied from it, not read again.
  if (const TXmlNode* unit = aLocation.NodeByName(u"UNIT"sv))
    aResult.formname.assign(context, AppendPathPart(*unit, context));
  if (const TXmlNode* item = aLocation.NodeByName(u"ITEM"sv))
    aResult.componentname.assign(context, AppendPathPart(*item, context));
  if (const TXmlNode* property = aLocation.NodeByName(u"PROPERTY"sv))
    AppendPathPart(*property, context);
}

void StringContext(const TXmlNode& aLocation, std::u16string& aContext) {
  aContext = u"Strings.";
  if (const TXmlNode* unit = aLocation.NodeByName(u"UNIT"sv))
    AppendElementText(*unit, aContext);
  aContext += u'.';
  if (const TXmlNode* item = aLocation.NodeByName(u"ITEM"sv))
    AppendElementText(*item, aContext);
}

void SourceContext(const TXmlNode& aLocation, std::u16string_view aNative,
                   std::u16string& aContext) {
  aContext = u"Source";
  if (const TXmlNode* file = aLocation.NodeByName(u"FILE"sv)) {
    aContext += u'.';
    const std::size_t start = aContext.size();
    AppendElementText(*file, aContext);
    std::replace(aContext.begin() + static_cast<std::ptrdiff_t>(start), aContext.end(), u'.',
                 DotReplacement);
  }
  aContext.append(u".").append(aNative);
}

// Returns false when the location has no TYPE: the rest of the row is then not read.
bool ReadLocation(const TXmlNode& aLocation, TRowInfo& aRowInfo, TLocation& aResult) {
  const TXmlNode* type = aLocation.NodeByName(u"TYPE"sv);
  if (!type)
    return false;
  if (const TXmlNode* chars = aLocation.NodeByName(u"CHARS"sv))
    aRowInfo.maxchars = chars->ValueAsIntegerDef(0);
  if (const TXmlNode* target = aLocation.NodeByName(u"TARGET"sv))
    AssignElementText(*target, aResult.VLP5Target);
  static thread_local std::u16string kind;
  AssignElementText(*type, kind);
  if (SameCodeUnits(kind, u"FORM"sv))
    ReadFormLocation(aLocation, aResult);
  else if (SameCodeUnits(kind, u"STRING"sv))
    StringContext(aLocation, aResult.VXPContext);
  else if (SameCodeUnits(kind, u"SOURCE"sv))
    SourceContext(aLocation, aRowInfo.native, aResult.VXPContext);
  return true;
}

} // namespace

bool IsOldProjectPath(std::u16string_view aPath) {
  constexpr std::u16string_view Extension = u".vlp";
  return aPath.size() >= Extension.size() &&
         vbase::SameTextAscii(aPath.substr(aPath.size() - Extension.size()), Extension);
}

std::u16string EscapeDots(std::u16string_view aText) {
  std::u16string result(aText);
  std::replace(result.begin(), result.end(), u'.', DotReplacement);
  return result;
}

TVLP5Project::TVLP5Project(const std::u16string& aFileName, const TOnProgressEvent& aOnLoadProgress)
    : fXML(std::make_unique<TXmlDocument>()), fFilename(aFileName) {
  if (aOnLoadProgress)
    fXML->OnProgress = [aOnLoadProgress](TXmlDocument*, int64_t aPosition, int64_t aSize) {
      aOnLoadProgress(aPosition, aSize);
    };
  fXML->LoadFromFile(aFileName);
  fXML->OnProgress = nullptr;
}

TXmlNode* TVLP5Project::FindPath(std::initializer_list<std::u16string_view> aPath) const {
  TXmlNode* node = fXML->Root();
  for (const std::u16string_view name : aPath) {
    if (!node)
      break;
    node = node->NodeByName(name);
  }
  return node;
}

std::u16string TVLP5Project::ReadDictionary() const {
  const TXmlNode* name = FindPath({u"DICTIONARY", u"NAME"});
  return name ? ElementText(*name) : std::u16string();
}

void TVLP5Project::ReadLanguages() {
  if (!fOnLanguageFound)
    return;
  const TXmlNode* languages = FindPath({u"DATA", u"LANGUAGES"});
  if (!languages)
    return;
  for (int32_t i = 0; i < languages->NodeCount(); ++i) {
    const std::u16string language = languages->Nodes(i)->AttributeByName(u"language");
    fOnLanguageFound(language);
    fLanguages.insert(language);
  }
}

void TVLP5Project::ReadTargets() {
  const TXmlNode* targets = FindPath({u"TARGETS"});
  if (!targets)
    return;
  for (int32_t i = 0; i < targets->NodeCount(); ++i)
    ReadTarget(*targets->Nodes(i));
}

void TVLP5Project::ReadTarget(const TXmlNode& aNode) {
  TVXPTarget target;
  target.taginclude = ChildValue(aNode, u"INCLUDETAGS");
  target.translatefunctions = ChildValue(aNode, u"FUNCTIONS");
  const std::u16string& kind = aNode.Name();
  if (kind == u"DELPHI_PROJECT") {
    target.VLP5Target = ElementText(RequiredChild(aNode, u"PROJECTFILE", ProjectFileLine));
    target.filename = target.VLP5Target;
    target.scanexe = StrictChildInteger(aNode, u"SCANBINARY") != 0;
    target.parseproject = true;
    target.canconvert = true;
  } else if (kind == u"CPP_BINARY" || kind == u"DELPHI_BINARY") {
    target.filename = ElementText(RequiredChild(aNode, u"FILENAME", BinaryFileNameLine));
    target.VLP5Target = target.filename;
    target.scanexe = true;
    target.parseproject = true;
    target.canconvert = true;
  } else if (kind == u"FORM" || kind == u"SOURCE") {
    target.VLP5Target = ElementText(RequiredChild(aNode, u"FILENAME", VirtualFileNameLine));
    target.filename = VirtualTargetMarker;
    const bool recursive = StrictChildInteger(aNode, u"SCANSUBDIRS") == 1;
    target.file_list = (recursive ? u"R;" : u"") + target.VLP5Target + u"\r\n";
    target.canconvert = true;
  } else {
    // No counterpart in the new format; the name still tells the user which target is left out.
    target.VLP5Target =
        ChildValue(aNode, aNode.NodeByName(u"FILENAME") ? u"FILENAME" : u"PROJECTFILE");
  }
  if (fOnTargetFound)
    fOnTargetFound(std::move(target));
}

void TVLP5Project::ReadTranslations() {
  if (fLanguages.empty() || !fOnTranslationsFound)
    return;
  TXmlNode* rows = FindPath({u"DATA", u"ROWS"});
  if (!rows)
    return;
  // One set of buffers serves every row: the strings keep their room from row to row.
  TRowBuffers buffers;
  const int32_t count = rows->NodeCount();
  for (int32_t i = 0; i < count; ++i) {
    if (fOnRowProgress)
      fOnRowProgress(i, count);
    TXmlNode& row = *rows->Nodes(i);
    try {
      ReadRow(row, buffers);
    } catch (const std::bad_alloc&) {
      throw; // the next rows would fail alike, and a project short of rows must not be saved
    } catch (...) {
      // A broken row must not cost the rows after it.
      if (fOnRowDiscarded)
        fOnRowDiscarded(buffers.RowInfo, buffers.Location, MessageOfCurrentException());
    }
    row.NodesClear();
  }
  rows->NodesClear();
  if (fOnRowProgress)
    fOnRowProgress(count, count);
}

void TVLP5Project::ReadRow(const TXmlNode& aRow, TRowBuffers& aBuffers) const {
  TRowInfo& rowInfo = aBuffers.RowInfo;
  TLocation& location = aBuffers.Location;
  rowInfo.native.clear();
  rowInfo.comment.clear();
  rowInfo.readonly = false;
  rowInfo.maxchars = 0;
  location.VLP5Target.clear();
  location.VXPContext.clear();
  location.componentname.clear();
  location.formname.clear();
  std::size_t translations = 0;
  for (int32_t i = 0; i < aRow.NodeCount(); ++i) {
    const TXmlNode& child = *aRow.Nodes(i);
    // Every row asks these: literals as views of known length, names compared by memcmp.
    const std::u16string& name = child.Name();
    if (SameCodeUnits(name, u"NATIVE"sv)) {
      AssignElementText(child, rowInfo.native);
    } else if (SameCodeUnits(name, u"COMMENT"sv)) {
      AssignElementText(child, rowInfo.comment);
    } else if (SameCodeUnits(name, u"NOTRANSLATE"sv)) {
      rowInfo.readonly = child.ValueAsIntegerDef(0) == 1;
    } else if (SameCodeUnits(name, u"TRANSLATION"sv)) {
      if (const TXmlNode* value = child.NodeByName(u"VALUE"sv)) {
        TWideString language(child.AttributeByName(u"language"sv));
        if (translations == aBuffers.Translations.size())
          aBuffers.Translations.push_back(
              {TakeSpareText(aBuffers.SpareTexts), std::move(language)});
        else
          aBuffers.Translations[translations].Language = std::move(language);
        AssignElementText(*value, aBuffers.Translations[translations++].Text);
      }
    } else if (SameCodeUnits(name, u"LOCATION"sv)) {
      if (!ReadLocation(child, rowInfo, location))
        break;
    }
  }
  CutTranslations(aBuffers.Translations, translations, aBuffers.SpareTexts);
  fOnTranslationsFound(rowInfo, aBuffers.Translations, location);
}

void TVLP5Project::ReadExcludeStrings() {
  ReadExcludes(u"EXCLUDESTRINGS");
}

void TVLP5Project::ReadExcludeContexts() {
  ReadExcludes(u"EXCLUDECONTEXTS");
}

void TVLP5Project::ReadExcludes(std::u16string_view aSection) const {
  if (!fOnExcludeFound)
    return;
  const TXmlNode* excludes = FindPath({aSection});
  if (!excludes)
    return;
  for (int32_t i = 0; i < excludes->NodeCount(); ++i)
    fOnExcludeFound(ElementText(*excludes->Nodes(i)));
}

} // namespace vconvert
