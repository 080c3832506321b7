// Test helper: runs an action and checks the exact kind and message of the error it raises.
#pragma once

#include "XmlErrors.h"

#include <exception>
#include <gtest/gtest.h>
#include <string>
#include <typeinfo>

template <typename TError, typename TAction>
void ExpectError(TAction&& Action, const std::u16string& Message) {
  try {
    Action();
    ADD_FAILURE() << "no error raised";
  } catch (const TError& error) {
    EXPECT_EQ(error.Message(), Message) << error.what();
    EXPECT_EQ(typeid(error), typeid(TError)) << "raised " << error.ClassName();
  } catch (const std::exception& error) {
    ADD_FAILURE() << "raised another kind: " << error.what();
  }
}
