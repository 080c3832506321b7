// Asserts that a call fails with exactly the given error kind and message.
#pragma once

#include "XmlErrors.h"

#include <gtest/gtest.h>
#include <string>
#include <typeinfo>

template <typename TError, typename TCall>
void ExpectError(TCall&& ACall, const std::string& AMessage) {
  try {
    ACall();
    ADD_FAILURE() << "expected " << typeid(TError).name() << ": " << AMessage;
  } catch (const Exception& error) {
    EXPECT_EQ(typeid(error), typeid(TError)) << error.ClassName();
    EXPECT_EQ(error.what(), AMessage);
  }
}
