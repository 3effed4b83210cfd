#include "history/IncidentRecord.h"

#include <gtest/gtest.h>

#include <string>

#include "core/JsonForms.h"

namespace tidemark {
namespace {

// Thirty-two levels are parsed (and refused for what they hold); one more is
// refused before the parser builds anything, however deep the file goes.
TEST(IncidentRecordTest, RefusesFilesNestedDeeperThanThirtyTwoLevels) {
    for (const auto& [depth, nestedTooDeeply] :
         {std::pair{32, false}, std::pair{33, true}, std::pair{1'000'000, true}}) {
        const std::string text = std::string(depth, '[') + std::string(depth, ']');
        try {
            decodeIncidentFile(text);
            ADD_FAILURE() << depth;
        } catch (const JsonFormError& error) {
            EXPECT_EQ(std::string(error.what()) == "nested too deeply", nestedTooDeeply) << depth;
        }
    }
}

}  // namespace
}  // namespace tidemark
