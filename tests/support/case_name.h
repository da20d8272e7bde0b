// Names parameterised test cases after the `name` member of their parameter.
#pragma once

#include <gtest/gtest.h>
#include <string>

struct CaseName
{
    template<typename T>
    std::string operator()(const ::testing::TestParamInfo<T> &case_) const
    {
        return case_.param.name;
    }
};
