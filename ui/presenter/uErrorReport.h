// An exception as the user sees it in the window's error box, whatever toolkit draws the box.
#pragma once

#include <exception>
#include <string>
#include <vector>

namespace vui {

// Its message, its kind and what the log said last.
struct TErrorReport {
  std::u16string Message;
  std::u16string ClassName;
  std::vector<std::u16string> LastLogLines;
};

// Message and class name of an exception; the log lines are the presenter's to add.
TErrorReport DescribeException(std::exception_ptr aError);

// The box's details section: the class name, then the last log lines when there are any.
std::u16string ErrorDetails(const TErrorReport& aReport);

} // namespace vui
