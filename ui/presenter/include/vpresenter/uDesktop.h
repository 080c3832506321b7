// What the window asks of the desktop around it: the file dialogs, a question, the browser and
// the message boxes. The Qt and the Win32 window each implement it on their toolkit; the
// presenter makes every decision around these calls, and tests answer them without a person in
// front of the screen.
#pragma once

#include "vpresenter/uErrorReport.h"
#include "vpresenter/uMainTexts.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vui {

// What a save dialog gave: the path as typed or picked, and the filter chosen, by its index in
// the dialog's filters.
struct TSaveChoice {
  std::u16string Path;
  std::size_t Filter = 0;
};

// The icon of a notice box.
enum class TNoticeKind { nkInformation, nkWarning };

// What a run of several projects does with a new project whose file exists already.
enum class TExistingOutputs { eoSkip, eoReplace, eoStop };

// The answers asked once before a run of several projects.
struct TQueueOptions {
  // The folder every new project goes to; none: each beside its old one, under the proposed name.
  std::optional<std::u16string> Folder;
  TExistingOutputs Existing = TExistingOutputs::eoSkip;
  bool operator==(const TQueueOptions&) const = default;
};

class IDesktop {
public:
  virtual ~IDesktop() = default;

  // The open dialog with OpenProjectFilter, where several projects may be chosen; a typed name
  // need not exist. Empty when cancelled.
  virtual std::vector<std::u16string> ChooseOpenPaths() = 0;
  // The dialog that picks a folder, whose projects are converted. None when cancelled.
  virtual std::optional<std::u16string> ChooseFolder() = 0;
  // Asked once before a run of aCount projects: where the new projects go, beside each old one
  // by default, and what becomes of those that exist, skipped by default. None when cancelled.
  virtual std::optional<TQueueOptions> AskQueueOptions(std::size_t aCount) = 0;
  // The save dialog aDialog, starting at aProposal; it neither adds an extension, nor checks the
  // folder, nor asks before replacing a file: the presenter does. None when cancelled.
  virtual std::optional<TSaveChoice> ChooseSavePath(const TSaveDialog& aDialog,
                                                    const std::u16string& aProposal) = 0;
  // Every box below closes on Escape as on its last button.
  // A modal question titled BoxTitle with a warning icon; No is what a stray Enter answers.
  virtual bool AskYesNo(std::u16string_view aQuestion) = 0;
  // Opens aUrl in the default browser; false when no browser could be started.
  virtual bool OpenUrl(std::u16string_view aUrl) = 0;
  // A modal box titled BoxTitle whose plain text can be selected and copied.
  virtual void ShowNotice(TNoticeKind aKind, std::u16string_view aText) = 0;
  // A modal error box titled BoxTitle, centred on the window: ErrorBoxText as plain text,
  // ErrorDetails as details.
  virtual void ShowError(const TErrorReport& aReport) = 0;
};

} // namespace vui
