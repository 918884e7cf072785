// Checks on the JSON the host writes, whose failures name the field and show the whole object.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

namespace vktest {

// Each field of `expected` holds the same value in `actual` (other fields of `actual` are free).
inline void ExpectFields(const nlohmann::json& actual, const nlohmann::json& expected,
                         const std::string& label) {
    for (const auto& [key, value] : expected.items())
        EXPECT_EQ(actual.value(key, nlohmann::json()), value)
            << label << ", " << key << " in " << actual.dump();
}

}  // namespace vktest
