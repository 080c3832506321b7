// Test helper: runs an action and checks the exact kind and message of the error it raises.
// The message is given as UTF-16 (compared with Message()) or as UTF-8 (compared with what()).
#pragma once

#include "Errors.h"

#include <exception>
#include <gtest/gtest.h>
#include <string>
#include <typeinfo>

template <typename TError, typename TAction, typename TMessage>
void ExpectErrorImpl(TAction&& Action, const TMessage& Message) {
  try {
    Action();
    ADD_FAILURE() << "no error raised";
  } catch (const TError& error) {
    if constexpr (std::is_same_v<TMessage, std::u16string>)
      EXPECT_EQ(error.Message(), Message) << error.what();
    else
      EXPECT_EQ(error.what(), Message);
    EXPECT_EQ(typeid(error), typeid(TError)) << "raised " << error.ClassName();
  } catch (const std::exception& error) {
    ADD_FAILURE() << "raised another kind: " << error.what();
  }
}

template <typename TError, typename TAction>
void ExpectError(TAction&& Action, const std::u16string& Message) {
  ExpectErrorImpl<TError>(Action, Message);
}

template <typename TError, typename TAction>
void ExpectError(TAction&& Action, const std::string& Message) {
  ExpectErrorImpl<TError>(Action, Message);
}
