// Stand-ins for the desktop behind the window: the dialogs answer what they are told and
// remember how they were asked; the browser, the error box and the notice box record their
// calls.
#pragma once

#include "vui/uDesktopServices.h"

#include <functional>
#include <vector>

class TFakeOpenFileChooser : public vui::IOpenFileChooser {
public:
  std::optional<QString> Answer;
  int Calls = 0;

  std::optional<QString> Execute(QWidget*) override {
    ++Calls;
    return Answer;
  }
};

class TFakeSaveFileChooser : public vui::ISaveFileChooser {
public:
  std::optional<QString> Answer;
  QStringList Proposals;
  // Runs while the dialog would be open, e.g. to look at the window in the middle of a run.
  std::function<void()> WhileOpen;

  std::optional<QString> Execute(QWidget*, const QString& aProposal) override {
    Proposals << aProposal;
    if (WhileOpen)
      WhileOpen();
    return Answer;
  }
};

class TFakeUrlOpener : public vui::IUrlOpener {
public:
  std::vector<QUrl> Opened;
  // False stands for a desktop without a browser.
  bool Succeeds = true;

  bool Open(QWidget*, const QUrl& aUrl) override {
    Opened.push_back(aUrl);
    return Succeeds;
  }
};

class TFakeNoticePresenter : public vui::INoticePresenter {
public:
  QStringList Shown;

  void Show(QWidget*, const QString& aText) override { Shown << aText; }
};

class TFakeErrorPresenter : public vui::IErrorPresenter {
public:
  std::vector<vui::TErrorReport> Shown;

  void Show(QWidget*, const vui::TErrorReport& aReport) override { Shown.push_back(aReport); }
};
