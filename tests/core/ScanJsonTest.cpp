#include "model/ScanJson.hpp"
#include "base/AmbertroveError.hpp"
#include "model/JsonCoding.hpp"
#include "platform/AtomicFile.hpp"
#include "support/Checks.hpp"
#include "support/ModelFixture.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <optional>
#include <random>
#include <system_error>
#include <tuple>
#include <variant>

using namespace ambertrove;
using test::ModelFixture;

namespace {

ScanResult sample() {
    ModelFixture f("/Users/ann");
    f.folder("/Users/ann/Movies");
    f.file("/Users/ann/Movies/clip.mov", 123456789, 123457536);
    f.file("/Users/ann/notes \"quoted\" ✓.txt", 10, 4096);
    f.folder("/Users/ann/empty");
    ScanResult scan = f.finish();
    scan.issues.push_back({"/Users/ann/locked", "Permission denied"});
    scan.skippedCount = 3;
    scan.duration = 0.123456789;
    scan.scannedAt = Date{786'000'000.5};
    return scan;
}

// A minimal valid scan text with one node; `node` and `top` let a case change one piece.
std::string scanText(const std::string& node, const std::string& top = "") {
    return R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","rootPath":"/r","scannedAt":1.5,"duration":2,)"
           R"("nodes":{"/r":)" +
           node + R"(},"issues":[],"skippedCount":0)" + top + "}";
}

const std::string kRootNode =
    R"({"path":"/r","isDirectory":true,"isSymbolicLink":false,"isCloudPlaceholder":false,)"
    R"("logicalSize":0,"allocatedSize":0,"ownLogicalSize":0,"ownAllocatedSize":0,"compressedSavings":0,)"
    R"("fileCount":0,"folderCount":0,"children":[],"created":0,"modified":0,"accessed":0,)"
    R"("identity":{"device":1,"inode":2,"size":3,"modifiedSeconds":4,"modifiedNanos":5,"changedSeconds":6,)"
    R"("changedNanos":7,"mode":16877,"linkCount":2}})";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

} // namespace

TEST(ScanJson, RoundTripGivesAnEqualScan) {
    const ScanResult scan = sample();
    const std::string text = ScanJson::encode(scan);
    const ScanResult back = ScanJson::decode(text);
    EXPECT_EQ(back, scan);
    // Member order may differ after reading (it is free); what matters is the equal scan.
    EXPECT_EQ(ScanJson::decode(ScanJson::encode(back)), scan);

    test::TempDir dir;
    ScanJson::writeFile(scan, dir / "scan.json");
    EXPECT_EQ(ScanJson::readFile(dir / "scan.json"), scan);
}

// A scan large enough that its table is built beside the reader, in many batches.
ScanResult largeSample() {
    ModelFixture f("/big");
    for (int d = 0; d < 5000; ++d) {
        const std::string folder = "/big/folder " + std::to_string(d);
        f.folder(folder);
        for (int k = 0; k < 6; ++k)
            f.file(folder + "/file " + std::to_string(k) + ".dat", d * 10 + k, 4096);
    }
    return f.finish();
}

TEST(ScanJson, ALargeScanRoundTripsAndItsFaultsAreReportedInTextOrder) {
    const ScanResult scan = largeSample();
    const std::string text = ScanJson::encode(scan);
    ASSERT_GT(text.size(), 12u << 20); // several batches
    EXPECT_EQ(ScanJson::decode(text), scan);
    test::TempDir dir;
    ScanJson::writeFile(scan, dir / "scan.json");
    EXPECT_EQ(ScanJson::readFile(dir / "scan.json"), scan);

    // A node given twice near the end; the text after it is bad too, which the reader finds later.
    const std::string last = R"("/big/folder 4999/file 5.dat":{)";
    const std::string early = R"("/big/folder 3/file 2.dat":{)";
    ASSERT_NE(text.find(last), std::string::npos);
    const std::string twice = replaced(text, last, early);
    const std::string lastChild = R"("/big/folder 4999/file 5.dat"])";
    ASSERT_NE(text.find(lastChild), std::string::npos);
    const std::string badChild = replaced(text, lastChild, "\"/big/folder 4999/file \xff.dat\"]");
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"duplicate", twice, "appears twice"},
        {"duplicate, then cut short", twice.substr(0, twice.size() - 30), "appears twice"},
        {"duplicate, then a bad value", replaced(twice, R"("skippedCount":0)", R"("skippedCount":"0")"),
         "appears twice"},
        {"child not UTF-8", badChild, "not UTF-8"},
        {"child not UTF-8, then a bad value",
         replaced(badChild, R"("skippedCount":0)", R"("skippedCount":"0")"), "not UTF-8"},
    };
    for (const auto& [name, bad, message] : cases) {
        try {
            (void)ScanJson::decode(bad);
            ADD_FAILURE() << name;
        } catch (const DecodingError& e) {
            EXPECT_NE(e.detail().find(message), std::string::npos) << name << ": " << e.detail();
        }
    }
    // A fault of the reader's alone is its own.
    try {
        (void)ScanJson::decode(replaced(text, last + R"("path")", last + R"("pathX")"));
        ADD_FAILURE();
    } catch (const DecodingError& e) {
        EXPECT_NE(e.detail().find("has no \"path\""), std::string::npos) << e.detail();
    }
}

// Reading looks at its cancellation every 4096 nodes and once more before it builds the table; a stop at
// any of those polls ends the reading there, with nothing returned.
TEST(ScanJson, ACancelledReadStopsAtItsNextPollAndGivesNothing) {
    const ScanResult scan = largeSample();
    const std::string text = ScanJson::encode(scan);
    int polls = 0;
    EXPECT_EQ(ScanJson::decode(text, TaskCancellation([&] { return ++polls < 0; })), scan);
    const int allPolls = int(scan.nodes.size() / 4096) + 1;
    EXPECT_EQ(polls, allPolls);
    for (int stopAt = 1; stopAt <= allPolls; ++stopAt) {
        int seen = 0;
        EXPECT_THROW((void)ScanJson::decode(text, TaskCancellation([&] { return ++seen >= stopAt; })),
                     CancellationError)
            << stopAt;
        EXPECT_EQ(seen, stopAt);
    }
    test::TempDir dir;
    ScanJson::writeFile(scan, dir / "scan.json");
    int seen = 0;
    EXPECT_THROW((void)ScanJson::readFile(dir / "scan.json", TaskCancellation([&] { return ++seen >= 2; })),
                 CancellationError);
    EXPECT_EQ(seen, 2);
}

// Writing looks at its cancellation every 4096 nodes and once more before the file is put in place; a stop
// leaves the destination as it was, or absent, and no temporary file beside it.
TEST(ScanJson, ACancelledWriteLeavesTheDestinationAsItWas) {
    const ScanResult scan = largeSample();
    test::TempDir dir;
    int polls = 0;
    ScanJson::writeFile(scan, dir / "whole.json", kSharedFileMode,
                        TaskCancellation([&] { return ++polls < 0; }));
    const int allPolls = int((scan.nodes.recordCount() + 4095) / 4096) + 1;
    EXPECT_EQ(polls, allPolls);
    EXPECT_EQ(ScanJson::readFile(dir / "whole.json"), scan);
    dir.makeFile("kept.json", "keep me");
    for (int stopAt = 1; stopAt <= allPolls; ++stopAt) {
        for (const char* name : {"kept.json", "new.json"}) {
            int seen = 0;
            EXPECT_THROW(ScanJson::writeFile(scan, dir / name, kSharedFileMode,
                                             TaskCancellation([&] { return ++seen >= stopAt; })),
                         CancellationError)
                << stopAt << " " << name;
            EXPECT_EQ(seen, stopAt);
        }
        EXPECT_EQ(readWholeFile(dir / "kept.json"), "keep me");
        EXPECT_EQ(test::listing(dir.path()), (std::vector<std::string>{"kept.json", "whole.json"})) << stopAt;
    }
}

TEST(ScanJson, WritesTheStoredForm) {
    const ScanResult scan = sample();
    rapidjson::Document doc;
    const std::string text = ScanJson::encode(scan);
    doc.Parse(text.c_str());
    ASSERT_FALSE(doc.HasParseError());
    EXPECT_EQ(text.find('\n'), std::string::npos); // compact
    EXPECT_EQ(std::string(doc["id"].GetString()), scan.id.text());
    EXPECT_EQ(doc["id"].GetString(), std::string(doc["id"].GetString()).substr(0, 36));
    const auto& root = doc["nodes"]["/Users/ann"];
    EXPECT_FALSE(root.HasMember("parent"));
    EXPECT_EQ(root["children"].Size(), 3u);
    const auto& clip = doc["nodes"]["/Users/ann/Movies/clip.mov"];
    EXPECT_STREQ(clip["parent"].GetString(), "/Users/ann/Movies");
    EXPECT_EQ(clip["modified"].GetDouble(), 1'600'000'000.0 - 978'307'200.0);
    EXPECT_EQ(clip["identity"]["mode"].GetUint(), 0100644u);
    EXPECT_EQ(doc["skippedCount"].GetInt(), 3);
    EXPECT_EQ(doc["issues"][0]["message"], "Permission denied");
    EXPECT_EQ(doc["duration"].GetDouble(), 0.123456789);
}

TEST(ScanJson, ReadsOddButValidFiles) {
    // Unknown keys anywhere are ignored, whatever their shape; a null parent is an absent one.
    const ScanResult a = ScanJson::decode(scanText(
        replaced(kRootNode, R"("path":"/r",)", R"("path":"/r","parent":null,"extra":{"x":[1,{"y":2}]},)"),
        R"(,"future":[[],{}])"));
    ASSERT_TRUE(a.root().has_value());
    EXPECT_FALSE(a.root()->parent.has_value());
    EXPECT_EQ(a.root()->identity.changedNanos, 7);

    // A child path without a node is kept in the list but skipped by readers; the order of members is free.
    const std::string child =
        replaced(replaced(kRootNode, R"("path":"/r")", R"("path":"/r/b","parent":"/r")"),
                 R"("isDirectory":true)", R"("isDirectory":false)");
    const std::string twoNodes =
        R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","rootPath":"/r","scannedAt":1,)"
        R"("duration":2,"nodes":{"/r/b":)" +
        child + R"(,"/r":)" + replaced(kRootNode, R"("children":[])", R"("children":["/r/gone","/r/b"])") +
        R"(},"issues":[],"skippedCount":0})";
    const ScanResult b = ScanJson::decode(twoNodes);
    EXPECT_EQ(b.root()->children, (std::vector<std::string>{"/r/gone", "/r/b"}));
    ASSERT_EQ(b.children("/r", true).size(), 1u);
    EXPECT_EQ(b.children("/r", true)[0].path, "/r/b");
    EXPECT_EQ(ScanJson::decode(ScanJson::encode(b)), b);

    // A member name that differs from the node's path, and a parent that names no node.
    const std::string odd =
        scanText(replaced(kRootNode, R"("path":"/r")", R"("path":"/elsewhere","parent":"/")"));
    const ScanResult c = ScanJson::decode(odd);
    ASSERT_TRUE(c.nodes.contains("/r"));
    EXPECT_EQ(c.nodes.node("/r")->path, "/elsewhere");
    EXPECT_EQ(c.nodes.node("/r")->parent, "/");
    EXPECT_EQ(ScanJson::decode(ScanJson::encode(c)), c);

    // A missing root gives no root.
    const ScanResult d =
        ScanJson::decode(replaced(scanText(kRootNode), R"("rootPath":"/r")", R"("rootPath":"/q")"));
    EXPECT_FALSE(d.root().has_value());

    // Paths that are not in plain form still round-trip, as a node and as a child without one.
    const std::string plainless =
        replaced(scanText(replaced(kRootNode, R"("children":[])", R"("children":["r//y/"])")),
                 R"("nodes":{"/r":)", R"("nodes":{"r//x/":)" + kRootNode + R"(,"/r":)");
    const ScanResult e = ScanJson::decode(plainless);
    EXPECT_TRUE(e.nodes.contains("r//x/"));
    EXPECT_EQ(e.root()->children, std::vector<std::string>{"r//y/"});
    EXPECT_EQ(ScanJson::decode(ScanJson::encode(e)), e);
}

TEST(ScanJson, ANodesPathAndParentAreKeptAsStored) {
    // Mostly "path" is the member's name and "parent" its folder; anything else is kept as it is. A key
    // given twice counts by its last value; a null parent after one leaves it.
    struct Case {
        const char* name;
        std::string key;
        std::string fields; // replaces "path":"/r"
        std::string path;
        std::optional<std::string> parent;
    };
    const Case cases[] = {
        {"plain", "/r", R"("path":"/r")", "/r", std::nullopt},
        {"parent is the folder", "/r", R"("path":"/r","parent":"/")", "/r", "/"},
        {"deeper folder", "/a/b/r", R"("path":"/a/b/r","parent":"/a/b")", "/a/b/r", "/a/b"},
        {"path elsewhere", "/a/r", R"("path":"/a","parent":"/a")", "/a", "/a"},
        {"path twice, the key last", "/r", R"("path":"/x","path":"/r")", "/r", std::nullopt},
        {"path twice, the key first", "/r", R"("path":"/r","path":"/x")", "/x", std::nullopt},
        {"parent twice", "/a/r", R"("path":"/a/r","parent":"/b","parent":"/a")", "/a/r", "/a"},
        {"parent then null", "/a/r", R"("path":"/a/r","parent":"/a","parent":null)", "/a/r", "/a"},
        {"key not in plain form", "a//r/", R"("path":"a//r/","parent":"a/")", "a//r/", "a/"},
        {"key with a trailing slash", "/a/r/", R"("path":"/a/r/","parent":"/a")", "/a/r/", "/a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = replaced(scanText(replaced(kRootNode, R"("path":"/r")", c.fields)),
                                          R"("nodes":{"/r":)", R"("nodes":{")" + c.key + R"(":)");
        const ScanResult scan = ScanJson::decode(text);
        const auto node = scan.nodes.node(c.key);
        ASSERT_TRUE(node.has_value());
        EXPECT_EQ(node->path, c.path);
        EXPECT_EQ(node->parent, c.parent);
        EXPECT_EQ(ScanJson::decode(ScanJson::encode(scan)), scan);
    }
}

TEST(ScanJson, KeepsFiguresThatDifferFromWhatARecordDerives) {
    // A stored scan may hold anything in range: a modification date apart from its identity's seconds,
    // own sizes apart from the totals, nanoseconds beyond a second.
    ModelFixture f("/r");
    NodeData odd;
    odd.identity.mode = 0100644;
    odd.identity.inode = 77;
    odd.identity.modifiedSeconds = 1'600'000'000;
    odd.identity.modifiedNanos = -5;
    odd.identity.changedNanos = 5'000'000'000;
    odd.modified = Date{12.25};
    odd.logicalSize = 10;
    odd.ownLogicalSize = 7;
    odd.fileCount = 1;
    f.add("/r/odd", odd);
    NodeData late = odd;
    late.identity.inode = 78;
    late.identity.modifiedNanos = 1;
    late.identity.changedNanos = 2;
    late.identity.modifiedSeconds = INT64_MIN;
    late.modified = Date{-1e300};
    f.add("/r/late", late);
    const ScanResult scan = f.finish();
    const auto node = scan.nodes.node("/r/odd");
    ASSERT_TRUE(node.has_value());
    EXPECT_EQ(node->modified, Date{12.25});
    EXPECT_EQ(node->identity, odd.identity);
    EXPECT_EQ(node->ownLogicalSize, 7);
    EXPECT_EQ(scan.nodes.node("/r/late")->identity, late.identity);
    EXPECT_EQ(ScanJson::decode(ScanJson::encode(scan)), scan);
}

TEST(ScanJson, ReadsNumbersExactly) {
    struct Case {
        std::string text;
        double value;
    };
    const Case cases[] = {
        {"184467440737095516155", 184467440737095516155.0},
        {"123.456789012345678", 123.456789012345678},
        {"-0.1e-3", -0.0001},
        {"786000000.5", 786000000.5},
        {"9007199254740993", 9007199254740993.0},
        {"1E+2", 100.0},
        {"0.1", 0.1},
        {"-0.3", -0.3},
        {"-0.0", -0.0},
        {"99999999999999.9", 99999999999999.9},
        {"-9.9999999999999", -9.9999999999999},
        {"-9.99999999999999", -9.99999999999999},
        {"0.00000000000001", 0.00000000000001},
        {"123456789012.345", 123456789012.345},
        {"1234567890123.456", 1234567890123.456},
        {"1234567890123456", 1234567890123456.0},
        {"-123456789012345", -123456789012345.0},
        {"-1234567890123456", -1234567890123456.0},
        {"786000000.50", 786000000.5},
    };
    for (const Case& c : cases) {
        const ScanResult scan =
            ScanJson::decode(replaced(scanText(kRootNode), R"("scannedAt":1.5)", "\"scannedAt\":" + c.text));
        EXPECT_EQ(scan.scannedAt.sinceReferenceDate, c.value) << c.text;
    }
    // Beyond what a double holds is a clear error, never a wrong value.
    EXPECT_THROW(
        ScanJson::decode(replaced(scanText(kRootNode), R"("scannedAt":1.5)", R"("scannedAt":1e999)")),
        DecodingError);
    // An unknown key's numbers are skipped, a subnormal one too.
    EXPECT_NO_THROW(
        ScanJson::decode(replaced(scanText(kRootNode), R"("scannedAt":1.5)",
                                  R"("scannedAt":1.5,"later":[1e300,-4e-320,18446744073709551616])")));
}

TEST(ScanJson, RejectsIncompleteOrWrongFiles) {
    const std::string valid = scanText(kRootNode);
    ASSERT_NO_THROW(ScanJson::decode(valid));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"truncated", valid.substr(0, valid.size() / 2)},
        {"empty", ""},
        {"not JSON", "hello"},
        {"an array", "[]"},
        {"missing node key", replaced(valid, R"("fileCount":0,)", "")},
        {"missing identity key", replaced(valid, R"("linkCount":2)", R"("other":2)")},
        {"missing top key", replaced(valid, R"(,"skippedCount":0)", "")},
        {"wrong type", replaced(valid, R"("isDirectory":true)", R"("isDirectory":"yes")")},
        {"string size", replaced(valid, R"("logicalSize":0)", R"("logicalSize":"0")")},
        {"fractional size", replaced(valid, R"("logicalSize":0)", R"("logicalSize":0.5)")},
        {"device out of range", replaced(valid, R"("device":1)", R"("device":2147483648)")},
        {"mode out of range", replaced(valid, R"("mode":16877)", R"("mode":65536)")},
        {"negative link count", replaced(valid, R"("linkCount":2)", R"("linkCount":-1)")},
        {"negative inode", replaced(valid, R"("inode":2)", R"("inode":-2)")},
        {"huge number", replaced(valid, R"("size":3)", R"("size":1e400)")},
        {"size beyond 64 bits", replaced(valid, R"("size":3)", R"("size":18446744073709551616)")},
        {"size just below 64 bits", replaced(valid, R"("size":3)", R"("size":-9223372036854775809)")},
        {"size that is not whole", replaced(valid, R"("size":3)", R"("size":3.0000000000000001)")},
        {"inode beyond 64 bits", replaced(valid, R"("inode":2)", R"("inode":1.8446744073709551616e19)")},
        {"bad uuid", replaced(valid, "E621E1F8-C36C", "E621E1F8-XXXX")},
        {"child not a string", replaced(valid, R"("children":[])", R"("children":[1])")},
        {"duplicate node",
         replaced(valid, R"("nodes":{"/r":)", R"("nodes":{"/r":)" + kRootNode + R"(,"/r":)")},
        {"issue without message", replaced(valid, R"("issues":[])", R"("issues":[{"path":"/r"}])")},
        {"deep nesting",
         replaced(valid, R"(,"skippedCount":0)",
                  R"(,"skippedCount":0,"x":)" + std::string(100000, '[') + std::string(99999, ']'))},
        {"invalid UTF-8", replaced(valid, "/r\"", "/r\xff\"")},
        {"child not UTF-8", replaced(valid, R"("children":[])", "\"children\":[\"/r/\xff\"]")},
        {"child not UTF-8, then a bad value",
         replaced(replaced(valid, R"("children":[])", "\"children\":[\"/r/\xff\"]"), R"("created":0)",
                  R"("created":"0")")},
    };
    for (const auto& [name, text] : cases)
        EXPECT_THROW(ScanJson::decode(text), DecodingError) << name;
    // Deep nesting inside an unknown key that is well formed is skipped without recursion.
    EXPECT_NO_THROW(ScanJson::decode(
        replaced(valid, R"(,"skippedCount":0)",
                 R"(,"skippedCount":0,"x":)" + std::string(100000, '[') + std::string(100000, ']'))));
}

// Whether decode() and readFile() accept `text`; both must agree.
std::optional<bool> bothAccept(const std::string& text) {
    const auto accepts = [](const std::function<void()>& read) {
        try {
            read();
            return true;
        } catch (const DecodingError&) {
            return false;
        }
    };
    const bool fromMemory = accepts([&] { (void)ScanJson::decode(text); });
    test::TempDir dir;
    const std::string file = dir.makeFile("scan.json", text);
    const bool fromFile = accepts([&] { (void)ScanJson::readFile(file); });
    if (fromMemory != fromFile)
        return std::nullopt;
    return fromMemory;
}

TEST(ScanJson, TextsAndPathsThatNoFileSystemHoldsAreRefused) {
    const std::string valid = scanText(replaced(kRootNode, R"("children":[])", R"("children":["/r/a"])"));
    const std::string withIssue =
        replaced(valid, R"("issues":[])", R"("issues":[{"path":"/r/a","message":"m"}])");
    ASSERT_EQ(bothAccept(withIssue), true);
    struct Case {
        const char* name;
        std::string text;
        bool accepted;
    };
    const Case cases[] = {
        {"NUL in the root path", replaced(withIssue, R"("rootPath":"/r")", R"("rootPath":"/r\u0000")"),
         false},
        {"NUL in a node's name", replaced(withIssue, R"("nodes":{"/r")", R"("nodes":{"/\u0000r")"), false},
        {"NUL in a node's path", replaced(withIssue, R"("path":"/r",)", R"("path":"/r\u0000x",)"), false},
        {"NUL in a node's parent",
         replaced(withIssue, R"("path":"/r",)", R"("path":"/r","parent":"/\u0000",)"), false},
        {"NUL in a child", replaced(withIssue, R"(["/r/a"])", R"(["/r/\u0000a"])"), false},
        {"NUL in an issue's path", replaced(withIssue, R"({"path":"/r/a")", R"({"path":"/r/a\u0000")"),
         false},
        {"NUL in an issue's message", replaced(withIssue, R"("message":"m")", R"("message":"m\u0000")"),
         true},
        {"a lone low surrogate", replaced(withIssue, R"("rootPath":"/r")", R"("rootPath":"/r\udc00")"),
         false},
        {"a lone high surrogate", replaced(withIssue, R"("rootPath":"/r")", R"("rootPath":"/r\ud800")"),
         false},
        {"a surrogate pair", replaced(withIssue, R"("rootPath":"/r")", R"("rootPath":"/r\ud800\udc00")"),
         true},
        {"a byte-order mark", "\xEF\xBB\xBF" + withIssue, true},
        {"a stray first byte of a mark", "\xEF" + withIssue, false},
        {"two bytes of a mark", "\xEF\xBB" + withIssue, false},
        {"the last byte of a mark", "\xBF" + withIssue, false},
        {"a mark twice", "\xEF\xBB\xBF\xEF\xBB\xBF" + withIssue, false},
        {"trailing white space", withIssue + " \n", true},
        {"NUL at the end", withIssue + std::string(1, '\0'), false},
        {"junk after NUL", withIssue + std::string("\0junk", 5), false},
        {"a second scan after NUL", withIssue + std::string(1, '\0') + withIssue, false},
        {"NUL before the text", std::string(1, '\0') + withIssue, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(bothAccept(c.text), c.accepted) << c.name;
}

TEST(ScanJson, TheWholeFileIsReadWhateverItsSize) {
    // NUL and junk past the reader's first buffer, and a text that ends right at a buffer's end.
    const std::string valid = scanText(kRootNode);
    const std::string padded = valid + std::string((1 << 16) - valid.size(), ' ');
    ASSERT_EQ(padded.size(), 1u << 16);
    EXPECT_EQ(bothAccept(padded), true);
    EXPECT_EQ(bothAccept(padded + " "), true);
    EXPECT_EQ(bothAccept(padded + std::string(1, '\0')), false);
    EXPECT_EQ(bothAccept(padded + std::string(100000, ' ') + std::string("\0x", 2)), false);
}

TEST(ScanJson, NamesThatAreNotUtf8AreKeptExactly) {
    // Names that differ only in bytes that are not UTF-8 stay apart from each other and from a name that
    // holds U+FFFD itself; the root, parents, paths that are not the key, and issues too.
    const std::string replacement = "\xEF\xBF\xBD";
    ModelFixture f("/r\xFF");
    for (const std::string& name :
         std::vector<std::string>{"x\xFE", "x\xFF", "x" + replacement, "\xC3", "\xED\xA0\x80"}) {
        f.folder("/r\xFF/" + name);
        f.file("/r\xFF/" + name + "/" + name, 1, 512);
    }
    ScanResult scan = f.finish();
    scan.issues.push_back({"/r\xFF/gone\xFE", "Permission denied"});
    const std::string text = ScanJson::encode(scan);
    const ScanResult back = ScanJson::decode(text);
    EXPECT_EQ(back, scan);
    EXPECT_TRUE(back.nodes.contains("/r\xFF/x\xFE/x\xFE"));
    EXPECT_EQ(back.root()->children.size(), 5u);
    EXPECT_EQ(back.issues, scan.issues);

    // Other readers see a valid scan with readable paths.
    rapidjson::Document doc;
    doc.Parse(text.c_str(), text.size());
    ASSERT_FALSE(doc.HasParseError());
    EXPECT_EQ(std::string(doc["rootPath"].GetString()), "/r" + replacement);
    EXPECT_EQ(doc["nodes"].MemberCount(), scan.nodes.size());

    test::TempDir dir;
    ScanJson::writeFile(scan, dir / "scan.json");
    EXPECT_EQ(ScanJson::readFile(dir / "scan.json"), scan);

    // A path that is not in plain form, written by hand: the member's name and the child carry the exact
    // bytes after a NUL, the path and parent beside them.
    const std::string written =
        replaced(replaced(scanText(kRootNode), R"("nodes":{"/r":)",
                          R"("nodes":{"r\ufffd//x/\u0000728f2f2f782f":)" +
                              replaced(kRootNode, R"("path":"/r")",
                                       R"("path":"r\ufffd//x","pathBytes":"728f2f2f78","parent":"r\ufffd/",)"
                                       R"("parentBytes":"728f2f")") +
                              R"(,"r\ufffd/\u0000728f2f":)" +
                              replaced(kRootNode, R"("children":[])",
                                       R"("children":["r\ufffd//x/\u0000728f2f2f782f"])") +
                              R"(,"/r":)"),
                 R"("issues":[])", R"("issues":[{"message":"m\ufffd","messageBytes":"6dfe","path":"/r"}])");
    const ScanResult odd = ScanJson::decode(written);
    ASSERT_TRUE(odd.nodes.contains("r\x8f//x/"));
    EXPECT_EQ(odd.nodes.node("r\x8f//x/")->path, "r\x8f//x");
    EXPECT_EQ(odd.nodes.node("r\x8f//x/")->parent, "r\x8f/");
    EXPECT_EQ(odd.nodes.node("r\x8f/")->children, std::vector<std::string>{"r\x8f//x/"});
    EXPECT_TRUE(odd.root()->children.empty());
    EXPECT_EQ(odd.issues, (std::vector<ScanIssue>{{"/r", "m\xFE"}}));
    EXPECT_EQ(ScanJson::decode(ScanJson::encode(odd)), odd);
}

// A node object for the member `key`: `fields` in place of its path, `children` its list.
std::string nodeObject(const std::string& fields, const std::string& children = "") {
    return replaced(replaced(kRootNode, R"("path":"/r")", fields), R"("children":[])",
                    R"("children":[)" + children + "]");
}

TEST(ScanJson, ANodeThatHangsAnywhereButUnderItsFolderIsRefused) {
    // The folder a node hangs under is the one its key names; its parent and the lists it is in must agree.
    const std::string root = R"("/r":)" + nodeObject(R"("path":"/r")", R"("/r/a","/r/b")");
    const std::string a = R"("/r/a":)" + nodeObject(R"("path":"/r/a","parent":"/r")");
    const std::string b = R"("/r/b":)" + nodeObject(R"("path":"/r/b","parent":"/r")", R"("/r/b/c")");
    const std::string c = R"("/r/b/c":)" + nodeObject(R"("path":"/r/b/c","parent":"/r/b")");
    const auto scanOf = [](const std::vector<std::string>& nodes) {
        std::string members;
        for (const std::string& node : nodes)
            members += (members.empty() ? "" : ",") + node;
        return R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","rootPath":"/r","scannedAt":1.5,"duration":2,)"
               R"("nodes":{)" +
               members + R"(},"issues":[],"skippedCount":0})";
    };
    ASSERT_NO_THROW(ScanJson::decode(scanOf({root, a, b, c})));

    // The file of a node whose key is not UTF-8: its parent is given in readable form only, which is
    // another, real folder.
    const std::string x = R"("/r/x\ufffd\u00002f722f78fe":)" +
                          nodeObject(R"("path":"/r/x\ufffd","pathBytes":"2f722f78fe","parent":"/r")",
                                     R"("/r/x\ufffd/a\u00002f722f78fe2f61")");
    const std::string real = R"("/r/x\ufffd":)" + nodeObject(R"("path":"/r/x\ufffd","parent":"/r")");
    const std::string underX =
        R"("/r/x\ufffd/a\u00002f722f78fe2f61":)" +
        nodeObject(R"("path":"/r/x\ufffd/a","pathBytes":"2f722f78fe2f61","parent":"/r/x\ufffd")");
    const std::string xRoot =
        R"("/r":)" + nodeObject(R"("path":"/r")", R"("/r/x\ufffd\u00002f722f78fe","/r/x\ufffd")");
    const std::string withBytes =
        replaced(underX, R"("parent":"/r/x\ufffd")", R"("parent":"/r/x\ufffd","parentBytes":"2f722f78fe")");
    ASSERT_NO_THROW(ScanJson::decode(scanOf({xRoot, x, real, withBytes})));

    struct Case {
        const char* name;
        std::vector<std::string> nodes;
        std::string named; // the node the error names
    };
    const Case cases[] = {
        {"a parent in readable form only", {xRoot, x, real, underX}, "/r/x\xfe/a"},
        {"a parent that is another folder",
         {root, a, b, replaced(c, R"("parent":"/r/b")", R"("parent":"/r/a")")},
         "/r/b/c"},
        {"a parent with a trailing slash",
         {root, a, b, replaced(c, R"("parent":"/r/b")", R"("parent":"/r/b/")")},
         "/r/b/c"},
        {"an empty parent", {root, a, b, replaced(c, R"("parent":"/r/b")", R"("parent":"")")}, "/r/b/c"},
        {"the root with a parent of itself",
         {replaced(root, R"("path":"/r")", R"("path":"/r","parent":"/r")"), a, b, c},
         "/r"},
        {"listed under another folder",
         {root, replaced(a, R"("children":[])", R"("children":["/r/b/c"])"), b, c},
         "/r/b/c"},
        {"listed by a folder and under its own",
         {root, replaced(a, R"("children":[])", R"("children":["/r/b/c"])"),
          replaced(b, R"("children":["/r/b/c"])", R"("children":[])"), c},
         "/r/b/c"},
        {"listed without a parent", {root, a, b, replaced(c, R"(,"parent":"/r/b")", "")}, "/r/b/c"},
        {"the root listing itself",
         {replaced(root, R"("/r/a","/r/b")", R"("/r/a","/r/b","/r")"), a, b, c},
         "/r"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        try {
            (void)ScanJson::decode(scanOf(k.nodes));
            ADD_FAILURE() << "accepted";
        } catch (const DecodingError& e) {
            EXPECT_NE(e.detail().find("the node \"" + k.named + "\""), std::string::npos) << e.detail();
        }
    }
}

TEST(ScanJson, ExactBytesThatDoNotMatchTheirTextAreRefused) {
    const std::string valid = scanText(kRootNode);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"root bytes of another text",
         replaced(valid, R"("rootPath":"/r")", R"("rootPath":"/r","rootPathBytes":"2f73")")},
        {"root bytes holding NUL",
         replaced(valid, R"("rootPath":"/r")", R"("rootPath":"/r","rootPathBytes":"2f7200")")},
        {"path bytes that are not hexadecimal",
         replaced(valid, R"("path":"/r")", R"("path":"/r","pathBytes":"2f7")")},
        {"parent bytes without a parent",
         replaced(valid, R"("path":"/r")", R"("path":"/r","parentBytes":"2f")")},
        {"parent bytes with a null parent",
         replaced(valid, R"("path":"/r")", R"("path":"/r","parent":null,"parentBytes":"2f")")},
        {"a member's name with bytes of another text",
         replaced(valid, R"("nodes":{"/r")", R"("nodes":{"/r\u00002f73")")},
        {"a member's name with bytes that are not hexadecimal",
         replaced(valid, R"("nodes":{"/r")", R"("nodes":{"/r\u0000zz")")},
        {"a child with bytes of another text",
         replaced(valid, R"("children":[])", R"("children":["/r\u00002f")")},
        {"issue bytes of another text",
         replaced(valid, R"("issues":[])", R"("issues":[{"path":"/r","pathBytes":"2f","message":"m"}])")},
        {"bytes that are not a string",
         replaced(valid, R"("rootPath":"/r")", R"("rootPath":"/r","rootPathBytes":1)")},
    };
    for (const auto& [name, text] : cases)
        EXPECT_EQ(bothAccept(text), false) << name;
    // The same bytes as the text, or other bytes of the same readable form, are taken.
    EXPECT_EQ(bothAccept(replaced(valid, R"("rootPath":"/r")", R"("rootPath":"/r","rootPathBytes":"2f72")")),
              true);
    const std::string other =
        replaced(replaced(valid, R"("rootPath":"/r")", R"("rootPath":"/\ufffd","rootPathBytes":"2f80")"),
                 R"("nodes":{"/r")", R"("nodes":{"/\ufffd\u00002f80")");
    ASSERT_EQ(bothAccept(other), true);
    EXPECT_TRUE(ScanJson::decode(other).root().has_value());
    EXPECT_EQ(ScanJson::decode(other).rootPath, "/\x80");
}

TEST(JsonCoding, DiskNodeRoundTrip) {
    const ScanResult scan = sample();
    const DiskNode node = *scan.nodes.node("/Users/ann/Movies/clip.mov");
    const std::string text = jsonText([&](JsonWriter& w) { writeDiskNode(w, node); });
    const rapidjson::Document doc = parseJsonDocument(text);
    EXPECT_EQ(readDiskNode(doc), node);
}

TEST(ScanJson, MangledTextsGiveAnErrorOrAScanThatRoundTrips) {
    // A sample with odd paths, parents and figures, so that mutations reach every branch of the reader.
    ScanResult base = sample();
    const std::string odd = replaced(
        replaced(scanText(replaced(kRootNode, R"("children":[])", R"("children":["/r/b","/r/gone"])")),
                 R"("nodes":{"/r":)",
                 R"("nodes":{"r//x/":)" +
                     replaced(kRootNode, R"("path":"/r")", R"("path":"/q","parent":"r/")") + R"(,"/r/b":)" +
                     replaced(kRootNode, R"("path":"/r")", R"("path":"/r/b","parent":"/r")") + R"(,"/r":)"),
        R"("skippedCount":0)", R"("skippedCount":0,"more":{"a":[null,true,1.5,"s"]})");
    const std::vector<std::string> seeds = {ScanJson::encode(base), odd};
    const std::vector<std::string> tokens = {"{",
                                             "}",
                                             "[",
                                             "]",
                                             ",",
                                             ":",
                                             "\"",
                                             "null",
                                             "true",
                                             "0",
                                             "-1",
                                             "1e308",
                                             "0.5",
                                             "\"/\"",
                                             "\"/r/b\"",
                                             "\"r//x/\"",
                                             "\"\"",
                                             "\"/r\"",
                                             "\"parent\":",
                                             "\"children\":",
                                             "\"path\":",
                                             "\"nodes\":",
                                             "\"identity\":",
                                             "18446744073709551615",
                                             "\"/r/b/c\"",
                                             "\"\\u0000\""};
    std::mt19937 random(20261210);
    const auto below = [&](std::size_t n) {
        return n == 0 ? 0 : std::size_t(random() % n);
    };
    int decoded = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = seeds[round % seeds.size()];
        const int edits = 1 + int(below(3));
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = below(text.size() + 1);
            switch (below(5)) {
            case 0: // truncate
                text.resize(at);
                break;
            case 1: // delete a span
                text.erase(at, 1 + below(40));
                break;
            case 2: // insert a token
                text.insert(at, tokens[below(tokens.size())]);
                break;
            case 3: // copy a span elsewhere
                text.insert(below(text.size() + 1), text.substr(at, 1 + below(200)));
                break;
            default: // change one byte
                if (at < text.size())
                    text[at] = static_cast<char>(random());
                break;
            }
        }
        ScanResult scan;
        try {
            scan = ScanJson::decode(text);
        } catch (const DecodingError& e) {
            // The quick reader gives up on what it cannot vouch for: the full reader's word is the answer.
            try {
                (void)ScanJson::decodeWithFullReader(text);
                ADD_FAILURE() << text;
            } catch (const DecodingError& full) {
                ASSERT_EQ(std::string(e.detail()), std::string(full.detail())) << text;
            }
            continue;
        }
        ASSERT_EQ(ScanJson::decodeWithFullReader(text), scan) << text;
        ++decoded;
        const std::string again = ScanJson::encode(scan);
        ScanResult back;
        ASSERT_NO_THROW(back = ScanJson::decode(again)) << text;
        ASSERT_EQ(back, scan) << text;
        ASSERT_EQ(ScanJson::encode(back).size(), again.size()) << text;
    }
    EXPECT_GT(decoded, 0);
}

// The outcome of decoding `text`: the scan, or the detail of its refusal.
std::variant<ScanResult, std::string> outcome(const std::function<ScanResult()>& decode) {
    try {
        return decode();
    } catch (const DecodingError& e) {
        return std::string(e.detail());
    }
}

TEST(ScanJson, TextsOfEveryFormReadAsTheFullReaderReadsThem) {
    // The writer's form, and forms that only other writers make: escapes, white space, numbers with
    // exponents or many digits, a byte-order mark; and faults the quick reader must leave to the full one.
    const std::string plain = scanText(kRootNode);
    const std::string digits(300, '7');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain", plain},
        {"escapes", replaced(plain, R"("rootPath":"/r")", R"("rootPath":"\/r")")},
        {"escaped key", replaced(plain, R"("nodes":{"/r":)", R"("nodes":{"\/r":)")},
        {"every simple escape", replaced(plain, R"("path":"/r")", R"("path":"/r","x":"\"\\\/\b\f\n\r\t")")},
        {"unicode escape", replaced(plain, R"("rootPath":"/r")", R"("rootPath":"\u002fr")")},
        {"escaped NUL", replaced(plain, R"("rootPath":"/r")", R"("rootPath":"/r\u0000")")},
        {"white space", " \n\t\r" + replaced(replaced(plain, ",", " ,\n "), ":", " :\t") + " \n"},
        {"exponent", replaced(plain, R"("scannedAt":1.5)", R"("scannedAt":15e-1)")},
        {"too big", replaced(plain, R"("scannedAt":1.5)", R"("scannedAt":1e999)")},
        {"many digits", replaced(plain, R"("scannedAt":1.5)", "\"scannedAt\":" + digits)},
        {"long fraction", replaced(plain, R"("scannedAt":1.5)", "\"scannedAt\":1." + digits)},
        {"negative zero", replaced(plain, R"("duration":2)", R"("duration":-0)")},
        {"leading zero", replaced(plain, R"("duration":2)", R"("duration":02)")},
        {"bare minus", replaced(plain, R"("duration":2)", R"("duration":-)")},
        {"bare point", replaced(plain, R"("duration":2)", R"("duration":2.)")},
        {"byte-order mark", "\xEF\xBB\xBF" + plain},
        {"control character", replaced(plain, R"("rootPath":"/r")", "\"rootPath\":\"/\tr\"")},
        {"NUL byte", replaced(plain, R"("rootPath":"/r")", std::string("\"rootPath\":\"/\0r\"", 15))},
        {"NUL after the text", plain + std::string(1, '\0') + "x"},
        {"bad escape", replaced(plain, R"("rootPath":"/r")", R"("rootPath":"\x")")},
        {"trailing comma", replaced(plain, R"("skippedCount":0)", R"("skippedCount":0,)")},
        {"text after", plain + " {}"},
        {"cut short", plain.substr(0, plain.size() - 1)},
        {"cut in a string", plain.substr(0, plain.find("rootPath") + 4)},
        {"literals",
         replaced(plain, R"("skippedCount":0)", R"("skippedCount":0,"x":[true,false,null,[],{}])")},
        {"misspelt literal", replaced(plain, R"("skippedCount":0)", R"("skippedCount":0,"x":nul)")},
        {"not an object", "[" + plain + "]"},
        {"empty", ""},
    };
    test::TempDir dir;
    int made = 0;
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        const auto full = outcome([&] { return ScanJson::decodeWithFullReader(text); });
        EXPECT_EQ(outcome([&] { return ScanJson::decode(text); }), full);
        const std::string file = dir.makeFile("scan" + std::to_string(made++) + ".json", text);
        const auto fromFile = outcome([&] { return ScanJson::readFile(file); });
        // A file says where the fault is as the text does, but for a NUL byte, which ends a text in memory.
        if (name.find("NUL") == std::string::npos) {
            EXPECT_EQ(fromFile, full);
        }
    }
}

TEST(ScanJson, NodesInAnyOrderReadAlike) {
    // Nested folders, so that a node out of order is looked for under folders whose lists came before.
    ModelFixture f("/t");
    std::mt19937 random(11);
    std::vector<std::string> folders = {"/t"};
    for (int k = 0; k < 3000; ++k) {
        const std::string path =
            folders[random() % folders.size()] + "/" + (k % 3 ? "f" : "d") + std::to_string(k);
        if (k % 3 == 0) {
            f.folder(path);
            folders.push_back(path);
        } else {
            f.file(path, k, 4096);
        }
    }
    const ScanResult scan = f.finish();
    rapidjson::Document document;
    document.Parse(ScanJson::encode(scan).c_str());
    ASSERT_FALSE(document.HasParseError());
    rapidjson::Value& nodes = document["nodes"];
    std::vector<std::pair<rapidjson::Value, rapidjson::Value>> members;
    for (auto& member : nodes.GetObject())
        members.emplace_back(std::move(member.name), std::move(member.value));
    for (const int shuffle : {0, 1, 2}) {
        SCOPED_TRACE(shuffle);
        // A few nodes moved, then every node anywhere.
        std::vector<std::size_t> order(members.size());
        std::iota(order.begin(), order.end(), 0);
        if (shuffle == 0)
            std::swap(order[5], order[order.size() / 2]);
        else if (shuffle == 1)
            std::reverse(order.begin() + 10, order.begin() + 40);
        else
            std::shuffle(order.begin(), order.end(), random);
        rapidjson::Value reordered(rapidjson::kObjectType);
        for (const std::size_t k : order)
            reordered.AddMember(rapidjson::Value(members[k].first, document.GetAllocator()),
                                rapidjson::Value(members[k].second, document.GetAllocator()),
                                document.GetAllocator());
        nodes = std::move(reordered);
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        document.Accept(writer);
        const std::string text(buffer.GetString(), buffer.GetSize());
        EXPECT_EQ(ScanJson::decode(text), scan);
        EXPECT_EQ(ScanJson::decodeWithFullReader(text), scan);
    }
}

TEST(ScanJson, AFileThatCannotBeReadIsASystemErrorNotABadScan) {
    // A folder opens as a stream but every read of it fails.
    test::TempDir dir;
    const std::string folder = dir.makeDir("folder");
    try {
        (void)ScanJson::readFile(folder);
        ADD_FAILURE() << "read a scan from a folder";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().category(), std::generic_category());
        EXPECT_NE(error.code().value(), 0);
    } catch (const DecodingError& error) {
        ADD_FAILURE() << "reported as a bad scan: " << error.what();
    }
}
