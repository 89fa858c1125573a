#include "model/JsonCoding.hpp"
#include "base/AmbertroveError.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ambertrove {
namespace {

int readNumber(const rapidjson::Value& v) {
    if (!v.IsInt())
        throw DecodingError("not a number");
    return v.GetInt();
}

std::string decodingMessage(const std::string& text) {
    try {
        (void)readJsonArray(parseJsonDocument(text), "the numbers are not an array", readNumber);
    } catch (const DecodingError& e) {
        return e.detail();
    }
    return "(no error)";
}

TEST(JsonCoding, ArraysAreWrittenInOrder) {
    const auto writeNumber = [](JsonWriter& w, int n) {
        w.Int(n);
    };
    EXPECT_EQ(jsonArrayText(std::vector<int>{3, 1, 2}, writeNumber), "[3,1,2]");
    EXPECT_EQ(jsonArrayText(std::vector<int>{}, writeNumber), "[]");
    const std::string object = jsonText([](JsonWriter& w) {
        w.StartObject();
        w.Key("names");
        writeJsonArray(w, std::vector<std::string>{"a", "b\"c"}, writeJsonString);
        w.EndObject();
    });
    EXPECT_EQ(object, R"({"names":["a","b\"c"]})");
}

TEST(JsonCoding, ArraysAreReadInOrder) {
    EXPECT_EQ(readJsonArray(parseJsonDocument("[3,1,2]"), "unused", readNumber), (std::vector<int>{3, 1, 2}));
    EXPECT_TRUE(readJsonArray(parseJsonDocument("[]"), "unused", readNumber).empty());
    // What is not an array is refused in the caller's words; an element's own error comes through.
    EXPECT_EQ(decodingMessage(R"({"a":1})"), "the numbers are not an array");
    EXPECT_EQ(decodingMessage("3"), "the numbers are not an array");
    EXPECT_EQ(decodingMessage(R"([1,"two"])"), "not a number");
}

} // namespace
} // namespace ambertrove
