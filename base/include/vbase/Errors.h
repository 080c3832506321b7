// The error kinds of the document layer and the conversion core. Each carries its message as
// UTF-16 text; what() gives the same message as UTF-8.
#pragma once

#include "vbase/TextPlace.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace vbase {

// A file that could not be written: its full path and the system's reason.
struct TWriteFailure {
  std::u16string File;
  std::u16string Reason;
};

class Exception : public std::exception {
public:
  explicit Exception(std::u16string aMessage);
  const std::u16string& Message() const noexcept { return fMessage; }
  const char* what() const noexcept override { return fMessageUtf8.c_str(); }
  // The kind's name as users see it in error reports, e.g. "EFilerError".
  virtual const char* ClassName() const noexcept { return "Exception"; }

  // Set by the reader: the code unit of the decoded text at which it stopped, or -1. The place in
  // the file is found from it only when a read fails.
  int64_t TextIndex() const noexcept { return fTextIndex; }
  void SetTextIndex(int64_t aIndex) noexcept { fTextIndex = aIndex; }
  // Where in which file a read failed; none for an error that did not come from reading a file.
  const std::optional<TTextPlace>& Place() const noexcept { return fPlace; }
  void SetPlace(TTextPlace aPlace) { fPlace = std::move(aPlace); }
  // The file was no XML document at all: no markup at its start, no element, or not text.
  bool NotXmlDocument() const noexcept { return fNotXmlDocument; }
  void SetNotXmlDocument() noexcept { fNotXmlDocument = true; }
  // Set when writing a file failed, so that users learn which file and why; the message stays
  // the layer's own.
  const std::optional<TWriteFailure>& WriteFailure() const noexcept { return fWriteFailure; }
  void SetWriteFailure(TWriteFailure aFailure) { fWriteFailure = std::move(aFailure); }
  // What users are told: "Cannot write "FILE": REASON" for a failed write, else the message.
  std::u16string Headline() const;

private:
  std::u16string fMessage;
  std::string fMessageUtf8;
  int64_t fTextIndex = -1;
  std::optional<TTextPlace> fPlace;
  bool fNotXmlDocument = false;
  std::optional<TWriteFailure> fWriteFailure;
};

#define VLP_DECLARE_ERROR(Kind, Base)                                                              \
  class Kind : public Base {                                                                       \
  public:                                                                                          \
    using Base::Base;                                                                              \
    const char* ClassName() const noexcept override { return #Kind; }                              \
  }

VLP_DECLARE_ERROR(EConvertError, Exception);
VLP_DECLARE_ERROR(EAssertionFailed, Exception);
VLP_DECLARE_ERROR(EEncodingError, Exception);
VLP_DECLARE_ERROR(EStreamError, Exception);
VLP_DECLARE_ERROR(EFilerError, EStreamError);
VLP_DECLARE_ERROR(EWriteError, EFilerError);
VLP_DECLARE_ERROR(EFOpenError, EStreamError);
VLP_DECLARE_ERROR(EFCreateError, EStreamError);
VLP_DECLARE_ERROR(EListError, Exception);
VLP_DECLARE_ERROR(EStringListError, EListError);
// A run that ran out of memory; what was built is released, nothing is saved.
VLP_DECLARE_ERROR(EOutOfMemory, Exception);
// A run that was stopped on request: what it made is released and nothing of it stays on disk.
// It is no failure of what was being read, so readers pass it on without naming a place.
VLP_DECLARE_ERROR(EStopped, Exception);

#undef VLP_DECLARE_ERROR

} // namespace vbase
