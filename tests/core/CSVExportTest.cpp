#include "analysis/CSVExport.hpp"

#include "model/JsonCoding.hpp"
#include "platform/AtomicFile.hpp"
#include "support/Checks.hpp"
#include "support/ModelFixture.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <regex>
#include <set>
#include <sys/stat.h>
#include <system_error>

namespace ambertrove {
namespace {

using Row = std::vector<std::string>;
const std::string kReplacement = "\xEF\xBF\xBD";

std::set<std::string> entriesOf(const std::string& folder) {
    const std::vector<std::string> names = test::listing(folder);
    return {names.begin(), names.end()};
}

// Reads the file back with Python's csv module, a reader we did not write.
std::vector<Row> readWithPython(const std::string& file) {
    const std::string command = "python3 -c 'import csv, json, sys; "
                                "print(json.dumps(list(csv.reader(open(sys.argv[1], newline=\"\", "
                                "encoding=\"utf-8\", errors=\"strict\")))))' '" +
                                file + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run python3");
    std::string output;
    char buffer[65536];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    if (::pclose(pipe) != 0)
        throw std::runtime_error("python3 could not read " + file);
    const rapidjson::Document doc = parseJsonDocument(output);
    std::vector<Row> rows;
    for (const auto& row : doc.GetArray()) {
        Row r;
        for (const auto& field : row.GetArray())
            r.emplace_back(field.GetString(), field.GetStringLength());
        rows.push_back(std::move(r));
    }
    return rows;
}

TEST(CSVExport, TextFields) {
    struct Case {
        std::string text, expected;
    };
    const std::vector<Case> cases = {
        {"plain", "\"plain\""},
        {"", "\"\""},
        {"a\"b", "\"a\"\"b\""},
        {"\"", "\"\"\"\""},
        {"a,b", "\"a,b\""},
        {"line\nbreak", "\"line\nbreak\""},
        {"=SUM(A1)", "\"'=SUM(A1)\""},
        {"+1", "\"'+1\""},
        {"-rf", "\"'-rf\""},
        {"@home", "\"'@home\""},
        {"\ttab", "\"'\ttab\""},
        {"\rcr", "\"'\rcr\""},
        {"=\"x\"", "\"'=\"\"x\"\"\""},
        {"a=b", "\"a=b\""},
        {"'quoted", "\"'quoted\""},
        {" =space", "\" =space\""},
        {"\nlf", "\"\nlf\""},
        {"\xFF=x", "\"" + kReplacement + "=x\""},
        {"ok\xC3(", "\"ok" + kReplacement + "(\""},
        {"caf\xC3\xA9", "\"caf\xC3\xA9\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CSVExport::textField(c.text), c.expected) << c.text;
}

TEST(CSVExport, InternetDateTime) {
    struct Case {
        double unixSeconds;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {0, "1970-01-01T00:00:00Z"},
        {1749988800, "2025-06-15T12:00:00Z"},
        {951868799, "2000-02-29T23:59:59Z"},
        {-1, "1969-12-31T23:59:59Z"},
        {1.75, "1970-01-01T00:00:01Z"},
        {978307200, "2001-01-01T00:00:00Z"},
        {std::numeric_limits<double>::quiet_NaN(), ""},
        {std::numeric_limits<double>::infinity(), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CSVExport::internetDateTime(Date::fromUnix(c.unixSeconds)), c.expected) << c.unixSeconds;
}

TEST(CSVExport, EncodeInMemory) {
    EXPECT_EQ(CSVExport::encode({}), "path,name,bytes,allocated,files,kind,modified\r\n");
    DiskNode folder;
    folder.path = "/x/Movies";
    folder.isDirectory = true;
    folder.logicalSize = 30;
    folder.allocatedSize = 8192;
    folder.fileCount = 3;
    folder.modified = Date::fromUnixSeconds(1749988800);
    DiskNode file;
    file.path = "/x/Movies/=clip.MOV";
    file.logicalSize = 10;
    file.allocatedSize = 4096;
    file.fileCount = 1;
    const std::vector<DiskNode> nodes = {folder, file};
    EXPECT_EQ(CSVExport::encode(nodes),
              "path,name,bytes,allocated,files,kind,modified\r\n"
              "\"/x/Movies\",\"Movies\",30,8192,3,\"Folder\",\"2025-06-15T12:00:00Z\"\r\n"
              "\"/x/Movies/=clip.MOV\",\"'=clip.MOV\",10,4096,1,\"Video\","
              "\"2001-01-01T00:00:00Z\"\r\n");
}

ScanResult awkwardScan() {
    test::ModelFixture scan("/r");
    scan.folder("/r/docs", 1700000000);
    scan.file("/r/docs/quote\"d.txt", 11, 4096, 1700000001);
    scan.file("/r/docs/comma,name.csv", 22, 4096, 1700000002);
    scan.file("/r/docs/new\nline\r\nname.pdf", 33, 4096, 1700000003);
    scan.file("/r/docs/=HYPERLINK(\"x\").xlsx", 44, 4096, 1700000004);
    scan.file("/r/docs/-minus.py", 55, 8192, 1700000005);
    scan.file("/r/docs/a=b.mp3", 66, 4096, 1700000006);
    scan.file("/r/docs/\xFF\xFE"
              "bad.png",
              77, 4096, 1700000007);
    scan.file("/r/docs/@at.zip", 88, 4096, 1700000008);
    NodeData link;
    link.isSymbolicLink = true;
    link.identity.mode = 0120777;
    link.logicalSize = link.ownLogicalSize = 9;
    link.fileCount = 1;
    link.modified = Date::fromUnixSeconds(1700000009);
    scan.add("/r/link.mkv", link);
    scan.folder("/r/empty", 1700000010);
    return scan.finish();
}

const std::vector<std::string> kAwkwardPaths = {
    "/r/docs",
    "/r/docs/quote\"d.txt",
    "/r/docs/comma,name.csv",
    "/r/docs/new\nline\r\nname.pdf",
    "/r/docs/=HYPERLINK(\"x\").xlsx",
    "/r/not-in-the-scan",
    "/r/docs/-minus.py",
    "/r/docs/a=b.mp3",
    "/r/docs/\xFF\xFE"
    "bad.png",
    "/r/docs/@at.zip",
    "/r/link.mkv",
    "/r/empty",
    "/r",
};

TEST(CSVExport, AwkwardNamesReadBackByARealCsvReader) {
    test::TempDir dir;
    const ScanResult scan = awkwardScan();
    const std::string destination = dir / "Ambertrove-files.csv";
    CSVExport::write(kAwkwardPaths, scan, destination);

    const std::string bad = kReplacement + kReplacement + "bad.png";
    const std::vector<Row> expected = {
        {"path", "name", "bytes", "allocated", "files", "kind", "modified"},
        {"/r/docs", "docs", "396", "36864", "8", "Folder", "2023-11-14T22:13:20Z"},
        {"/r/docs/quote\"d.txt", "quote\"d.txt", "11", "4096", "1", "Documents", "2023-11-14T22:13:21Z"},
        {"/r/docs/comma,name.csv", "comma,name.csv", "22", "4096", "1", "Documents", "2023-11-14T22:13:22Z"},
        {"/r/docs/new\nline\r\nname.pdf", "new\nline\r\nname.pdf", "33", "4096", "1", "Documents",
         "2023-11-14T22:13:23Z"},
        {"/r/docs/=HYPERLINK(\"x\").xlsx", "'=HYPERLINK(\"x\").xlsx", "44", "4096", "1", "Documents",
         "2023-11-14T22:13:24Z"},
        {"/r/docs/-minus.py", "'-minus.py", "55", "8192", "1", "Developer", "2023-11-14T22:13:25Z"},
        {"/r/docs/a=b.mp3", "a=b.mp3", "66", "4096", "1", "Audio", "2023-11-14T22:13:26Z"},
        {"/r/docs/" + bad, bad, "77", "4096", "1", "Images", "2023-11-14T22:13:27Z"},
        {"/r/docs/@at.zip", "'@at.zip", "88", "4096", "1", "Archives", "2023-11-14T22:13:28Z"},
        {"/r/link.mkv", "link.mkv", "9", "0", "1", "Video", "2023-11-14T22:13:29Z"},
        {"/r/empty", "empty", "0", "0", "0", "Folder", "2023-11-14T22:13:30Z"},
        {"/r", "r", "405", "36864", "9", "Folder", "2001-01-01T00:00:00Z"},
    };
    EXPECT_EQ(readWithPython(destination), expected);

    const std::string bytes = readWholeFile(destination);
    EXPECT_EQ(bytes.rfind("path,name,bytes,allocated,files,kind,modified\r\n\"/r/docs\",\"docs\",396,", 0),
              0u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    EXPECT_EQ(entriesOf(dir.path()), (std::set<std::string>{"Ambertrove-files.csv"}));
}

TEST(CSVExport, EmptyListGivesTheHeaderOnly) {
    test::TempDir dir;
    const ScanResult scan = awkwardScan();
    CSVExport::write({}, scan, dir / "out.csv");
    EXPECT_EQ(readWholeFile(dir / "out.csv"), "path,name,bytes,allocated,files,kind,modified\r\n");
    const std::vector<std::string> missing = {"/nowhere", "/r/nothing"};
    CSVExport::write(missing, scan, dir / "out.csv");
    EXPECT_EQ(readWholeFile(dir / "out.csv"), "path,name,bytes,allocated,files,kind,modified\r\n");
    EXPECT_EQ(entriesOf(dir.path()), (std::set<std::string>{"out.csv"}));
}

TEST(CSVExport, ManyRowsStreamThroughTheBuffer) {
    test::TempDir dir;
    test::ModelFixture hand("/big");
    std::vector<std::string> paths;
    const std::string padding(150, 'p');
    for (int i = 0; i < 4000; ++i) {
        paths.push_back("/big/" + padding + std::to_string(i) + ".txt");
        hand.file(paths.back(), i, 4096, 1700000000 + i);
    }
    const ScanResult scan = hand.finish();
    CSVExport::write(paths, scan, dir / "big.csv");
    const std::vector<Row> rows = readWithPython(dir / "big.csv");
    ASSERT_EQ(rows.size(), 4001u);
    EXPECT_GT(readWholeFile(dir / "big.csv").size(), 3 * CSVExport::kWriteThreshold);
    for (int i = 0; i < 4000; ++i) {
        ASSERT_EQ(rows[static_cast<std::size_t>(i) + 1][0], paths[static_cast<std::size_t>(i)]);
        ASSERT_EQ(rows[static_cast<std::size_t>(i) + 1][2], std::to_string(i));
    }
}

// A scan whose first 512 rows, with the header, make exactly `total` bytes, followed by one more row.
std::pair<ScanResult, std::vector<std::string>> rowsOfExactly(std::size_t total) {
    auto rowLength = [](const std::string& name, std::int64_t size) {
        DiskNode n;
        n.path = "/t/" + name;
        n.logicalSize = size;
        n.fileCount = 1;
        const std::vector<DiskNode> one = {n};
        return CSVExport::encode(one).size() - CSVExport::kHeader.size();
    };
    auto nameOf = [](std::size_t i, std::size_t length) {
        std::string name = std::to_string(i) + "-";
        name.resize(std::max(length, name.size()), 'x');
        return name;
    };
    test::ModelFixture fixture("/t");
    std::vector<std::string> paths;
    std::size_t bytes = CSVExport::kHeader.size();
    for (std::size_t i = 0; i < 511; ++i) {
        const std::string name = nameOf(i, 200);
        bytes += rowLength(name, 0);
        paths.push_back("/t/" + name);
        fixture.file(paths.back(), 0, 0, 978307200);
    }
    // Each character of the name takes two bytes (path and name); one more digit in the size evens it out.
    const std::size_t rest = total - bytes;
    const std::size_t fixedPart = rowLength("511-", 0) - 8;
    const std::int64_t size = (rest - fixedPart) % 2 == 0 ? 0 : 10;
    const std::string last = nameOf(511, (rest - fixedPart - (size ? 1 : 0)) / 2);
    EXPECT_EQ(rowLength(last, size), rest);
    paths.push_back("/t/" + last);
    fixture.file(paths.back(), size, 0, 978307200);
    paths.push_back("/t/after");
    fixture.file(paths.back(), 1, 0, 978307200);
    return {fixture.finish(), paths};
}

TEST(CSVExport, ABufferOfExactlyTheThresholdIsWritten) {
    struct Case {
        std::size_t bufferedBytes;
        long long writtenBeforeRow512;
    };
    for (const Case c : {Case{CSVExport::kWriteThreshold, static_cast<long long>(CSVExport::kWriteThreshold)},
                         Case{CSVExport::kWriteThreshold - 1, 0}}) {
        test::TempDir dir;
        const auto [scan, paths] = rowsOfExactly(c.bufferedBytes);
        long long written = -1;
        int polls = 0;
        CSVExport::write(paths, scan, dir / "out.csv", TaskCancellation([&] {
                             if (++polls == 3) // at row 512, after rows 0 to 511 were buffered
                                 for (const std::string& name : entriesOf(dir.path())) {
                                     struct stat status {};
                                     if (name.starts_with(".Ambertrove-export-") &&
                                         ::stat((dir / name).c_str(), &status) == 0)
                                         written = status.st_size;
                                 }
                             return false;
                         }));
        EXPECT_EQ(written, c.writtenBeforeRow512) << c.bufferedBytes;
        const std::string text = readWholeFile(dir / "out.csv");
        EXPECT_EQ(text.find("\"/t/after\""), c.bufferedBytes);
    }
}

TEST(CSVExport, ReplacesAnExistingFileOnlyAtTheEnd) {
    test::TempDir dir;
    const ScanResult scan = awkwardScan();
    const std::string destination = dir.makeFile("export.csv", "old contents");
    std::set<std::string> seenDuringExport;
    std::string destinationDuringExport;
    int polls = 0;
    CSVExport::write(kAwkwardPaths, scan, destination, TaskCancellation([&] {
                         if (++polls == 2) { // the first row: the temporary exists, nothing is renamed yet
                             seenDuringExport = entriesOf(dir.path());
                             destinationDuringExport = readWholeFile(destination);
                         }
                         return false;
                     }));
    EXPECT_EQ(destinationDuringExport, "old contents");
    ASSERT_EQ(seenDuringExport.size(), 2u);
    const std::string temporary =
        *std::next(seenDuringExport.begin(), seenDuringExport.begin()->front() == '.' ? 0 : 1);
    EXPECT_TRUE(std::regex_match(
        temporary,
        std::regex(R"(\.Ambertrove-export-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12})")))
        << temporary;
    EXPECT_EQ(readWithPython(destination).size(), 13u);
    EXPECT_EQ(entriesOf(dir.path()), (std::set<std::string>{"export.csv"}));
}

TEST(CSVExport, CancellationLeavesNoFile) {
    std::vector<std::string> paths;
    test::ModelFixture hand("/c");
    for (int i = 0; i < 1025; ++i) {
        paths.push_back("/c/f" + std::to_string(i));
        hand.file(paths.back(), i, 0);
    }
    const ScanResult scan = hand.finish();

    // Polls: at the start, at rows 0, 512 and 1024, and after the final flush.
    {
        test::TempDir dir;
        int polls = 0;
        CSVExport::write(paths, scan, dir / "all.csv", TaskCancellation([&] { return ++polls < 0; }));
        EXPECT_EQ(polls, 5);
    }
    for (int stopAt = 1; stopAt <= 5; ++stopAt) {
        for (bool existing : {false, true}) {
            test::TempDir dir;
            if (existing)
                dir.makeFile("out.csv", "keep me");
            int polls = 0;
            EXPECT_THROW(CSVExport::write(paths, scan, dir / "out.csv",
                                          TaskCancellation([&] { return ++polls >= stopAt; })),
                         CancellationError)
                << stopAt;
            EXPECT_EQ(entriesOf(dir.path()),
                      existing ? std::set<std::string>{"out.csv"} : std::set<std::string>{})
                << stopAt;
            if (existing) {
                EXPECT_EQ(readWholeFile(dir / "out.csv"), "keep me");
            }
        }
    }
    test::TempDir dir;
    std::stop_source source;
    source.request_stop();
    EXPECT_THROW(CSVExport::write(paths, scan, dir / "out.csv", source.get_token()), CancellationError);
    EXPECT_TRUE(entriesOf(dir.path()).empty());
}

TEST(CSVExport, FailuresLeaveNoTemporary) {
    test::TempDir dir;
    const ScanResult scan = awkwardScan();
    // A destination folder that does not exist: the temporary cannot be made.
    try {
        CSVExport::write(kAwkwardPaths, scan, dir / "missing/out.csv");
        ADD_FAILURE() << "no error";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), std::error_code(ENOENT, std::generic_category()));
    }
    // A folder in the destination's place: the rename fails and the folder stays as it was.
    dir.makeFile("taken.csv/inside", "x");
    try {
        CSVExport::write(kAwkwardPaths, scan, dir / "taken.csv");
        ADD_FAILURE() << "no error";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), std::error_code(EISDIR, std::generic_category()));
    }
    EXPECT_EQ(entriesOf(dir.path()), (std::set<std::string>{"taken.csv"}));
    EXPECT_EQ(entriesOf(dir / "taken.csv"), (std::set<std::string>{"inside"}));
}

} // namespace
} // namespace ambertrove
