// The cleanup queue is read straight from the text into its entries. It accepts and refuses exactly what
// reading each entry as a document (CleanupJson::readEntry) does, with the same words.
#include "base/AmbertroveError.hpp"
#include "cleanup/CleanupJson.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace ambertrove {
namespace {

// An entry with every kind of field filled, paths that are not UTF-8 among them.
CleanupEntry richEntry() {
    CleanupEntry e;
    e.node.path = "/home/ann/caf\xE9";
    e.node.parent = "/home/ann";
    e.node.isDirectory = true;
    e.node.logicalSize = 5000;
    e.node.allocatedSize = 8192;
    e.node.fileCount = 2;
    e.node.folderCount = 1;
    e.node.children = {"/home/ann/caf\xE9/a.txt", "/home/ann/caf\xE9/\xFF"};
    e.node.created = Date{1.5};
    e.node.modified = Date{-2};
    e.node.accessed = Date{786000000};
    e.node.identity = FileIdentity{-3, 7, 5000, 1700000000, 5, 1700000001, 6, 040755, 3};
    e.identities["/home/ann/caf\xE9"] = e.node.identity;
    e.identities["/home/ann/caf\xE9/a.txt"].inode = 8;
    e.identities["/home/ann/caf\xE9/\xFF"].inode = 9;
    e.stagedAt = Date{123.25};
    e.reason = "Old \xE9";
    e.retainedCopies["/home/ann/keep/a.txt"].inode = 10;
    return e;
}

CleanupEntry plainEntry() {
    CleanupEntry e;
    e.node.path = "/home/ann/b.txt";
    e.node.logicalSize = 1;
    e.node.identity.inode = 11;
    e.identities[e.node.path].inode = 11;
    e.reason = "Large";
    return e;
}

// What a reader made of a text: its entries, or the detail of its refusal.
struct Outcome {
    std::vector<CleanupEntry> entries;
    std::string refusal;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

template <class Read> Outcome outcomeOf(Read&& read) {
    Outcome out;
    try {
        out.entries = read();
    } catch (const DecodingError& e) {
        out.refusal = e.detail();
    }
    return out;
}

Outcome streamed(const std::string& text) {
    return outcomeOf([&] { return CleanupJson::decodeEntries(text); });
}

Outcome fromFile(const std::string& text) {
    const test::TempDir dir;
    const std::string path = dir / "cleanup.json";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
    std::FILE* in = std::fopen(path.c_str(), "rb");
    const Outcome read = outcomeOf([&] { return CleanupJson::decodeEntries(in); });
    std::fclose(in);
    return read;
}

// Each entry read as a document of its own.
Outcome asDocuments(const std::string& text) {
    return outcomeOf([&] { return readJsonList(text, "expected an array", 512, CleanupJson::readEntry); });
}

// Where the JSON value that starts at `at` ends (no further than the text).
std::size_t valueEnd(const std::string& text, std::size_t at) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = at; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"' && (inString = false, depth == 0))
                return i + 1;
            continue;
        }
        if (c == '"')
            inString = true;
        else if (c == '{' || c == '[')
            ++depth;
        else if (c == '}' || c == ']') {
            if (depth == 0)
                return i;
            if (--depth == 0)
                return i + 1;
        } else if (depth == 0 && c == ',')
            return i;
    }
    return text.size();
}

// Every member of every object of `text`: where its key begins, where its value begins and ends.
struct Member {
    std::size_t key;
    std::size_t value;
    std::size_t end;
};
std::vector<Member> membersOf(const std::string& text) {
    std::vector<Member> members;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '"')
            continue;
        const std::size_t close = valueEnd(text, i);
        if (close < text.size() && text[close] == ':')
            members.push_back({i, close + 1, valueEnd(text, close + 1)});
        i = close - 1;
    }
    return members;
}

TEST(QueueReader, MalformedQueuesAreRefusedInTheirOwnWords) {
    const std::string good = CleanupJson::encodeEntries({plainEntry()});
    // `text` with its first `from` replaced by `to`.
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    struct Case {
        std::string text;
        std::string refusal;
    };
    const Case cases[] = {
        {"{}", "expected an array"},
        {"[1]", "cleanup entry is not an object"},
        {"[{}]", "missing key \"node\""},
        {with("\"node\":{", "\"node\":null,\"n\":{"), "missing key \"node\""},
        {with("\"node\":{", "\"node\":[1],\"n\":{"), "node is not an object"},
        {with("\"path\":", "\"p\":"), "missing key \"path\""},
        {with("\"path\":\"/home/ann/b.txt\"", "\"path\":7"), "\"path\" is not a string"},
        {with("\"path\":\"/home/ann/b.txt\"", "\"path\":\"/home/ann/b.txt\",\"pathBytes\":null"),
         "\"pathBytes\" is not a string"},
        {with("\"path\":\"/home/ann/b.txt\"", "\"path\":\"/home/ann/b.txt\",\"pathBytes\":\"2f\""),
         "\"path\": the exact bytes of a text do not match the text"},
        {with("\"path\":\"/home/ann/b.txt\"", "\"path\":\"/home/\\u0000ann\""),
         "\"path\": a path holds a NUL character"},
        {with("\"isDirectory\"", "\"parentBytes\":\"2f\",\"isDirectory\""),
         "\"parentBytes\" without \"parent\""},
        {with("\"isDirectory\":false", "\"isDirectory\":0"), "\"isDirectory\" is not a Boolean"},
        {with("\"logicalSize\":1", "\"logicalSize\":1.5"), "\"logicalSize\" is not a 64-bit integer"},
        {with("\"logicalSize\":1", "\"logicalSize\":1e1"), ""},
        {with("\"children\":[]", "\"children\":{}"), "\"children\" is not an array"},
        {with("\"children\":[]", "\"children\":[\"/a\",2]"), "a path is not a string"},
        {with("\"children\":[]", "\"children\":[\"/a\\u0000zz\"]"),
         "the exact bytes of a text are not hexadecimal"},
        {with("\"created\":0.0", "\"created\":\"0\""), "\"created\" is not a number"},
        {with("\"identity\":{", "\"identity\":null,\"i\":{"), "missing key \"identity\""},
        {with("\"identity\":{", "\"identity\":true,\"i\":{"), "identity is not an object"},
        {with("\"device\":0", "\"device\":2147483648"), "\"device\" is out of range"},
        {with("\"inode\":11", "\"inode\":-11"), "\"inode\" is not an unsigned 64-bit integer"},
        {with("\"mode\":0", "\"mode\":65536"), "\"mode\" is out of range"},
        {with("\"linkCount\":0", "\"count\":0"), "missing key \"linkCount\""},
        {with("\"identities\":{", "\"identities\":[],\"x\":{"), "\"identities\" is not an object"},
        {with("\"identities\":{\"/home/ann/b.txt\":{", "\"identities\":{\"/home/ann/b.txt\":5,\"x\":{"),
         "identity is not an object"},
        {with("\"stagedAt\":", "\"staged\":"), "missing key \"stagedAt\""},
        {with("\"reason\":\"Large\"", "\"reason\":{}"), "\"reason\" is not a string"},
        {with("\"retainedCopies\":{}", "\"retainedCopies\":null"), "missing key \"retainedCopies\""},
        {with("\"Large\"", "\"\\udc00\""), "a text is not UTF-8"},
        {with("\"reason\"", "\"\\udc00\""), "a key is not UTF-8"},
        {with("\"logicalSize\":1", "\"logicalSize\":1.8e308"), "a number is out of range"},
        {with("\"logicalSize\":1", "\"logicalSize\":1,,"),
         "JSON error at offset 121: Missing a name for object member."},
        // The first of two members of one name counts, whatever the second holds.
        {with("\"reason\":\"Large\"", "\"reason\":\"Large\",\"reason\":1"), ""},
        {with("\"reason\":\"Large\"", "\"reason\":null,\"reason\":\"Large\""), "missing key \"reason\""},
        // A syntax error later in an entry is told before what is wrong with a member earlier in it.
        {with("\"reason\":\"Large\",\"retainedCopies\":{}}", "\"reason\":7,\"retainedCopies\":{]}"),
         "JSON error at offset 638: Missing a name for object member."},
        // Members in another order and members of no field are fine.
        {with("\"node\":", "\"extra\":[{\"node\":[]}],\"node\":"), ""},
    };
    for (const Case& c : cases) {
        const Outcome read = streamed(c.text);
        EXPECT_EQ(read.refusal, c.refusal) << c.text;
        EXPECT_EQ(read, asDocuments(c.text)) << c.text;
        EXPECT_EQ(read, fromFile(c.text)) << c.text;
    }
}

TEST(QueueReader, EveryChangeToAnyMemberReadsAsItDoesAsDocuments) {
    const std::string text = CleanupJson::encodeEntries({richEntry(), plainEntry()});
    ASSERT_EQ(streamed(text).entries, (std::vector<CleanupEntry>{richEntry(), plainEntry()}));
    const std::vector<std::string> values = {"null",
                                             "true",
                                             "0",
                                             "-1",
                                             "65536",
                                             "2147483648",
                                             "-9223372036854775808",
                                             "18446744073709551615",
                                             "1.5",
                                             "1e2",
                                             "2.0",
                                             "\"x\"",
                                             "\"/a\"",
                                             "\"/a\\u0000\"",
                                             "\"2f\"",
                                             "{}",
                                             "[]",
                                             "[\"/a\"]",
                                             "{\"/a\":{}}",
                                             "{\"device\":1}"};
    int compared = 0;
    for (const Member& m : membersOf(text)) {
        const std::string key = text.substr(m.key, m.value - 1 - m.key);
        std::vector<std::string> changed;
        for (const std::string& v : values)
            changed.push_back(text.substr(0, m.value) + v + text.substr(m.end));
        // Without the member, under another name, and twice with either value first.
        const std::size_t from = text[m.key - 1] == ',' ? m.key - 1 : m.key;
        const std::size_t to = text[m.key - 1] == ',' ? m.end : std::min(m.end + 1, text.size());
        changed.push_back(text.substr(0, from) + text.substr(to));
        changed.push_back(text.substr(0, m.key) + "\"other\"" + text.substr(m.value - 1));
        changed.push_back(text.substr(0, m.end) + "," + key + ":null" + text.substr(m.end));
        changed.push_back(text.substr(0, m.key) + key + ":null," + text.substr(m.key));
        for (const std::string& t : changed) {
            ++compared;
            EXPECT_EQ(streamed(t), asDocuments(t)) << t;
        }
    }
    EXPECT_GT(compared, 2000);
}

TEST(QueueReader, OfTwoWrongMembersTheSameIsTold) {
    const std::string text = CleanupJson::encodeEntries({richEntry()});
    const std::vector<Member> members = membersOf(text);
    for (std::size_t i = 0; i < members.size(); ++i)
        for (std::size_t j = i + 1; j < members.size(); ++j) {
            const Member& a = members[i];
            const Member& b = members[j];
            if (b.value < a.end)
                continue; // one inside the other
            const std::string t = text.substr(0, a.value) + "[]" + text.substr(a.end, b.value - a.end) +
                                  "\"x\"" + text.substr(b.end);
            ASSERT_EQ(streamed(t), asDocuments(t)) << t;
        }
}

TEST(QueueReader, DamagedTextsReadAsTheyDoAsDocuments) {
    const std::string text = CleanupJson::encodeEntries({richEntry(), plainEntry(), richEntry()});
    const std::string inserted = "\"{}[],:0-.e\\ \x80\xFF";
    std::mt19937 random(20240611);
    for (int round = 0; round < 3000; ++round) {
        std::string t = text;
        for (int edits = 1 + static_cast<int>(random() % 3); edits > 0; --edits) {
            const std::size_t at = random() % t.size();
            switch (random() % 3) {
            case 0:
                t.erase(at, 1 + random() % 4);
                break;
            case 1:
                t.insert(at, 1, inserted[random() % inserted.size()]);
                break;
            default:
                t[at] = inserted[random() % inserted.size()];
                break;
            }
        }
        const Outcome read = streamed(t);
        ASSERT_EQ(read, asDocuments(t)) << t;
        if (round % 50 == 0) {
            ASSERT_EQ(read, fromFile(t)) << t;
        }
    }
}

} // namespace
} // namespace ambertrove
