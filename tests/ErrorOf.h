// Test helper, the one way the tests check an error: the kind and exact message of what an
// action raises, as one text to compare.
#pragma once

#include "vbase/Errors.h"

#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>

// "EKind: message" (the message as UTF-8), or "no error". An error from outside the libraries
// names its C++ type instead of a kind.
inline std::string ErrorOf(const std::function<void()>& aAction) {
  try {
    aAction();
  } catch (const vbase::Exception& error) {
    return std::string(error.ClassName()) + ": " + error.what();
  } catch (const std::exception& error) {
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> type(
        abi::__cxa_demangle(typeid(error).name(), nullptr, nullptr, &status), &std::free);
    return std::string(status == 0 ? type.get() : typeid(error).name()) + ": " + error.what();
  }
  return "no error";
}
