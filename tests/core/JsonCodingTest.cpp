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

TEST(JsonCoding, StoredListsAreReadOneElementAtATimeWithTheSameChecks) {
    // Read element by element, a list is accepted or refused as the whole text read at once is.
    const std::vector<std::string> texts = {"[3,1,2]",
                                            " [ 3 , 1 ,2 ] \n",
                                            "[]",
                                            "[ ]",
                                            "\xEF\xBB\xBF[1]",
                                            "[1,2",
                                            "[1 2]",
                                            "[1,]",
                                            "[,1]",
                                            "[1]]",
                                            "[1][2]",
                                            "[1] x",
                                            "",
                                            " ",
                                            "3",
                                            R"({"a":1})",
                                            "[[1]]",
                                            R"([1,"two"])",
                                            std::string("[1]\0", 4),
                                            std::string("[1,\0 2]", 7),
                                            "[1,\"\xff\"]",
                                            R"([1,"\ud800"])",
                                            "[1e400]",
                                            "[-0]",
                                            "[1,{\"a\":[2,3]},4]"};
    for (const std::string& text : texts) {
        std::string whole;
        std::vector<int> wholeRead;
        try {
            wholeRead = readJsonArray(parseJsonDocument(text), "the numbers are not an array", readNumber);
        } catch (const DecodingError& e) {
            whole = e.detail();
        }
        std::string stepwise;
        std::vector<int> stepwiseRead;
        try {
            stepwiseRead = readJsonList(text, "the numbers are not an array", 2, readNumber);
        } catch (const DecodingError& e) {
            stepwise = e.detail();
        }
        EXPECT_EQ(whole.empty(), stepwise.empty()) << text << ": " << whole << " / " << stepwise;
        EXPECT_EQ(wholeRead, stepwiseRead) << text;
        // Only where the whole text has a fault of an element's own is the wording the same.
        if (whole == "the numbers are not an array" || whole == "not a number") {
            EXPECT_EQ(stepwise, whole) << text;
        }
    }
}

} // namespace
} // namespace ambertrove
