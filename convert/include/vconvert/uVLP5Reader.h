// Reader of version-5 projects (.vlp): loads the whole file, then walks one part at a time and
// reports every item through an event. It interprets the old format and writes nothing.
#pragma once

#include "vxml/XmlDocument.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vconvert {

// The file name a virtual target gets, before the builder numbers it.
inline constexpr std::u16string_view VirtualTargetMarker = u".\\VnxVirtualTarget[%d]";

// Whether aPath names an old project: it ends in ".vlp", its ASCII letters in any case.
bool IsOldProjectPath(std::u16string_view aPath);

// One target of the old project, as the new format needs it. A kind without a counterpart
// (canconvert false) carries only its name, its FILENAME or else its PROJECTFILE, if it has one.
struct TVXPTarget {
  std::u16string VLP5Target;
  std::u16string filename;
  bool scanexe = false;
  std::u16string taginclude;
  std::u16string translatefunctions;
  std::u16string file_list;
  bool parseproject = false;
  bool canconvert = false;
};

// One translatable row; maxchars 0 means no limit was given.
struct TRowInfo {
  std::u16string native;
  std::u16string comment;
  bool readonly = false;
  int32_t maxchars = 0;
};

// Where a row lives: its old target and its context path in the new notation.
struct TLocation {
  std::u16string VLP5Target;
  std::u16string VXPContext;
  std::u16string componentname;
  std::u16string formname;
};

// Carries one text; here the language code of a translation, as the old file gives it.
class TWideString {
public:
  explicit TWideString(std::u16string aText) : FString(std::move(aText)) {}
  const std::u16string& Value() const { return FString; }

private:
  std::u16string FString;
};

// One entry of a row's translations: the translated text and its language.
struct TTranslation {
  std::u16string Text;
  TWideString Language;
};

// A row's translations in document order; valid only during the event call.
using TTranslations = std::vector<TTranslation>;

using TOnTargetFoundEvent = std::function<void(TVXPTarget aTargetInfo)>;
using TOnLanguageFoundEvent = std::function<void(const std::u16string& aLanguage)>;
using TOnTranslationsFoundEvent = std::function<void(
    const TRowInfo& aRowInfo, const TTranslations& aTranslations, const TLocation& aLocation)>;
using TOnExcludeFoundEvent = std::function<void(const std::u16string& aText)>;
// A row that failed while it was read: what was read of it before the failure, and the message.
using TOnRowDiscardedEvent = std::function<void(
    const TRowInfo& aRowInfo, const TLocation& aLocation, const std::u16string& aMessage)>;
// aDone of aTotal units of a long step.
using TOnProgressEvent = std::function<void(int64_t aDone, int64_t aTotal)>;

// Every full stop becomes U+2024 (one-dot leader), so a file name can sit inside a dotted
// context path.
inline constexpr char16_t DotReplacement = u'\u2024';
std::u16string EscapeDots(std::u16string_view aText);

class TVLP5Project {
public:
  // Loads the whole file; a loading failure leaves the constructor as the loader's exception.
  // aOnLoadProgress, when given, follows the loader through the text (bytes of UTF-16).
  explicit TVLP5Project(const std::u16string& aFileName,
                        const TOnProgressEvent& aOnLoadProgress = {});
  TVLP5Project(const TVLP5Project&) = delete;
  TVLP5Project& operator=(const TVLP5Project&) = delete;

  const std::u16string& FileName() const { return fFilename; }
  // The loaded old document: a new one may share its storage (see ReadTranslations).
  const vxml::TXmlDocument& Document() const { return *fXML; }

  // DICTIONARY/NAME under the root, or "" when either is missing.
  std::u16string ReadDictionary() const;
  // Each walk raises its event once per item; an empty event makes it do nothing, except
  // ReadTargets, which interprets (and may fail on) every target regardless.
  void ReadLanguages();
  void ReadTargets();
  // Needs at least one language met by ReadLanguages. A failure inside one row discards that
  // row, reported to OnRowDiscarded, and the walk goes on with the next; running out of memory
  // is no failure of the row and leaves the walk. OnRowProgress counts the rows walked.
  // The rows are read once: each is released from the old document as soon as it is reported,
  // so that what its event builds in a document sharing the storage takes the row's memory.
  void ReadTranslations();
  void ReadExcludeStrings();
  void ReadExcludeContexts();

  const TOnTargetFoundEvent& OnTargetFound() const { return fOnTargetFound; }
  void SetOnTargetFound(TOnTargetFoundEvent aEvent) { fOnTargetFound = std::move(aEvent); }
  const TOnLanguageFoundEvent& OnLanguageFound() const { return fOnLanguageFound; }
  void SetOnLanguageFound(TOnLanguageFoundEvent aEvent) { fOnLanguageFound = std::move(aEvent); }
  const TOnTranslationsFoundEvent& OnTranslationsFound() const { return fOnTranslationsFound; }
  void SetOnTranslationsFound(TOnTranslationsFoundEvent aEvent) {
    fOnTranslationsFound = std::move(aEvent);
  }
  const TOnExcludeFoundEvent& OnExcludeFound() const { return fOnExcludeFound; }
  void SetOnExcludeFound(TOnExcludeFoundEvent aEvent) { fOnExcludeFound = std::move(aEvent); }
  const TOnRowDiscardedEvent& OnRowDiscarded() const { return fOnRowDiscarded; }
  void SetOnRowDiscarded(TOnRowDiscardedEvent aEvent) { fOnRowDiscarded = std::move(aEvent); }
  const TOnProgressEvent& OnRowProgress() const { return fOnRowProgress; }
  void SetOnRowProgress(TOnProgressEvent aEvent) { fOnRowProgress = std::move(aEvent); }

private:
  void ReadTarget(const vxml::TXmlNode& aNode);
  // What ReadRow fills for one row and hands to the event.
  struct TRowBuffers {
    TRowInfo RowInfo;
    TLocation Location;
    TTranslations Translations;
    // Texts of the entries a row with fewer translations let go, kept with their room for the
    // next row with more.
    std::vector<std::u16string> SpareTexts;
  };
  void ReadRow(const vxml::TXmlNode& aRow, TRowBuffers& aBuffers) const;
  void ReadExcludes(std::u16string_view aSection) const;
  // The child of the root reached by following aPath, or none.
  vxml::TXmlNode* FindPath(std::initializer_list<std::u16string_view> aPath) const;

  std::unique_ptr<vxml::TXmlDocument> fXML;
  std::u16string fFilename;
  TOnTargetFoundEvent fOnTargetFound;
  TOnLanguageFoundEvent fOnLanguageFound;
  TOnTranslationsFoundEvent fOnTranslationsFound;
  TOnExcludeFoundEvent fOnExcludeFound;
  TOnRowDiscardedEvent fOnRowDiscarded;
  TOnProgressEvent fOnRowProgress;
  std::set<std::u16string> fLanguages;
};

} // namespace vconvert
