// An exception as the user sees it in the window's error box, whatever toolkit draws the box.
#pragma once

#include <exception>
#include <string>
#include <vector>

namespace vui {

// Its message, its kind and what the log said last; a file that could not be read is named first
// in a plain sentence (see vconvert::ReadFailureSentence), empty for other errors. A file that
// could not be written is named in the message ("Cannot write "FILE": REASON"), and the error's
// own message is kept as OwnMessage, empty for other errors.
struct TErrorReport {
  std::u16string Message;
  std::u16string ClassName;
  std::vector<std::u16string> LastLogLines;
  std::u16string Sentence = {};
  std::u16string OwnMessage = {};
};

// Message and class name of an exception; the log lines are the presenter's to add.
TErrorReport DescribeException(std::exception_ptr aError);

// The box's text: the sentence, if any, then the exact message.
std::u16string ErrorBoxText(const TErrorReport& aReport);

// The box's details section: the class name and the error's own message if the box does not
// show it, then the last log lines when there are any.
std::u16string ErrorDetails(const TErrorReport& aReport);

} // namespace vui
