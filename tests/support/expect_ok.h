// EXPECT_OK and ASSERT_OK: a status or result that must have succeeded; on failure the message
// shows the error's number and description. Further text may be streamed as with EXPECT_TRUE.
#pragma once

#include <gtest/gtest.h>

template<typename StatusOrResult>
::testing::AssertionResult isOk(const char *expression, const StatusOrResult &outcome)
{
    if (outcome.ok())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << expression << " failed with " << outcome.error().number
                                         << ": " << outcome.error().description;
}

#define EXPECT_OK(expression) EXPECT_PRED_FORMAT1(isOk, expression)
#define ASSERT_OK(expression) ASSERT_PRED_FORMAT1(isOk, expression)
