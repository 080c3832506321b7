// A stand-in for the desktop behind the window, shared by the presenter's and both windows'
// tests: the dialogs answer what they are told and remember how they were asked; the question
// answers Yes unless told otherwise; the browser and the boxes record their calls.
#pragma once

#include "vpresenter/uDesktop.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vui {

class TFakeDesktop : public IDesktop {
public:
  std::optional<std::u16string> OpenAnswer;
  // Several projects chosen at once; when empty the dialog answers OpenAnswer.
  std::vector<std::u16string> OpenAnswers;
  int OpenCalls = 0;
  std::optional<std::u16string> FolderAnswer;
  int FolderCalls = 0;
  // The one question before a run of several; none cancels it.
  std::optional<TQueueOptions> QueueAnswer = TQueueOptions{};
  std::vector<std::size_t> QueueQuestions;
  // The save dialog of the project.
  std::optional<std::u16string> SaveAnswer;
  std::vector<std::u16string> Proposals;
  // Runs while the save dialog would be open, e.g. to look at the window in the middle of a run.
  std::function<void()> WhileSaving;
  // The save dialog of the report, and the filter chosen in it.
  std::optional<std::u16string> ReportAnswer;
  std::size_t ReportFilter = 0;
  std::vector<std::u16string> ReportProposals;
  // What every question answers: whether to replace a file or to save an empty project.
  bool ReplaceAnswer = true;
  std::vector<std::u16string> Questions;
  // False stands for a desktop without a browser.
  bool BrowserStarts = true;
  std::vector<std::u16string> Opened;
  std::vector<std::u16string> Notices;
  std::vector<std::u16string> Warnings;
  std::vector<TErrorReport> Errors;

  std::vector<std::u16string> ChooseOpenPaths() override {
    ++OpenCalls;
    if (!OpenAnswers.empty())
      return OpenAnswers;
    if (OpenAnswer)
      return {*OpenAnswer};
    return {};
  }
  std::optional<std::u16string> ChooseFolder() override {
    ++FolderCalls;
    return FolderAnswer;
  }
  std::optional<TQueueOptions> AskQueueOptions(std::size_t aCount) override {
    QueueQuestions.push_back(aCount);
    return QueueAnswer;
  }
  std::optional<TSaveChoice> ChooseSavePath(const TSaveDialog& aDialog,
                                            const std::u16string& aProposal) override {
    if (aDialog.Filters.data() == SaveReportDialog.Filters.data()) {
      ReportProposals.push_back(aProposal);
      return Choice(ReportAnswer, ReportFilter);
    }
    Proposals.push_back(aProposal);
    if (WhileSaving)
      WhileSaving();
    return Choice(SaveAnswer, 0);
  }
  bool AskYesNo(std::u16string_view aQuestion) override {
    Questions.emplace_back(aQuestion);
    return ReplaceAnswer;
  }
  bool OpenUrl(std::u16string_view aUrl) override {
    Opened.emplace_back(aUrl);
    return BrowserStarts;
  }
  void ShowNotice(TNoticeKind aKind, std::u16string_view aText) override {
    (aKind == TNoticeKind::nkWarning ? Warnings : Notices).emplace_back(aText);
  }
  void ShowError(const TErrorReport& aReport) override { Errors.push_back(aReport); }

private:
  static std::optional<TSaveChoice> Choice(const std::optional<std::u16string>& aPath,
                                           std::size_t aFilter) {
    if (!aPath)
      return std::nullopt;
    return TSaveChoice{*aPath, aFilter};
  }
};

} // namespace vui
