// The stored records of the cleanup queue, the receipts, the backups and the saved scans: what their readers
// accept and refuse, and that what their writers store reads back as itself.
#include "base/AmbertroveError.hpp"
#include "cleanup/BackupReceipt.hpp"
#include "cleanup/CleanupJson.hpp"
#include "snapshots/SnapshotRecord.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {
namespace {

constexpr double kSampleDate = 123.5;

CleanupEntry sampleEntry(double stagedAt = kSampleDate) {
    CleanupEntry e;
    e.node.path = "/home/ann/docs";
    e.node.parent = "/home/ann";
    e.node.isDirectory = true;
    e.node.children = {"/home/ann/docs/a.txt"};
    e.node.identity.inode = 7;
    e.identities["/home/ann/docs"].inode = 7;
    e.identities["/home/ann/docs/a.txt"].inode = 8;
    e.stagedAt = Date{stagedAt};
    e.reason = "Old files";
    e.retainedCopies["/home/ann/keep/a.txt"].inode = 9;
    return e;
}

TrashReceipt sampleReceipt(double date = kSampleDate) {
    TrashReceipt r;
    r.originalPath = "/home/ann/a.txt";
    r.trashPath = "/home/ann/.local/share/Trash/files/a.txt";
    r.date = Date{date};
    r.bytes = 4096;
    r.identity.inode = 42;
    return r;
}

BackupReceipt sampleBackup(double createdAt = kSampleDate) {
    BackupReceipt b;
    b.id = Uuid::random();
    b.directory = "/home/ann/Backups/Ambertrove Backup 1";
    b.createdAt = Date{createdAt};
    b.items = {{"/home/ann/a.txt", "Files/0001/a.txt", 5}};
    return b;
}

SnapshotRecord sampleRecord(double createdAt = kSampleDate) {
    return SnapshotRecord{Uuid::random(), "Home", Date{createdAt}, "/home/ann", 4096, 3};
}

// One reader of a stored file: a sample text, and the date it reads from a text (what it throws comes
// through).
struct Reader {
    const char* name;
    std::function<std::string(double date)> write;
    std::function<double(const std::string&)> readDate;
};

// What `decode` reads from a file that holds `text`, as the state files are read.
template <class Decode> auto fromFile(const std::string& text, Decode&& decode) {
    const test::TempDir dir;
    const std::string path = dir / "list.json";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
    std::FILE* in = std::fopen(path.c_str(), "rb");
    const struct Closer {
        std::FILE* file;
        ~Closer() { std::fclose(file); }
    } closer{in};
    return decode(in);
}

const std::vector<Reader>& readers() {
    static const std::vector<Reader> all = {
        {"queue from a file", [](double d) { return CleanupJson::encodeEntries({sampleEntry(d)}); },
         [](const std::string& t) {
             return fromFile(t, [](std::FILE* f) { return CleanupJson::decodeEntries(f); })
                 .at(0)
                 .stagedAt.sinceReferenceDate;
         }},
        {"receipts from a file", [](double d) { return CleanupJson::encodeReceipts({sampleReceipt(d)}); },
         [](const std::string& t) {
             return fromFile(t, [](std::FILE* f) { return CleanupJson::decodeReceipts(f); })
                 .at(0)
                 .date.sinceReferenceDate;
         }},
        {"backups from a file", [](double d) { return BackupReceipt::encodeList({sampleBackup(d)}); },
         [](const std::string& t) {
             return fromFile(t, [](std::FILE* f) { return BackupReceipt::decodeList(f); })
                 .at(0)
                 .createdAt.sinceReferenceDate;
         }},
        {"queue", [](double d) { return CleanupJson::encodeEntries({sampleEntry(d)}); },
         [](const std::string& t) {
             return CleanupJson::decodeEntries(t).at(0).stagedAt.sinceReferenceDate;
         }},
        {"receipts", [](double d) { return CleanupJson::encodeReceipts({sampleReceipt(d)}); },
         [](const std::string& t) {
             return CleanupJson::decodeReceipts(t).at(0).date.sinceReferenceDate;
         }},
        {"backups", [](double d) { return BackupReceipt::encodeList({sampleBackup(d)}); },
         [](const std::string& t) {
             return BackupReceipt::decodeList(t).at(0).createdAt.sinceReferenceDate;
         }},
        {"backup manifest", [](double d) { return sampleBackup(d).encode(); },
         [](const std::string& t) {
             return BackupReceipt::decode(t).createdAt.sinceReferenceDate;
         }},
        {"saved-scan record", [](double d) { return sampleRecord(d).encode(); },
         [](const std::string& t) {
             return SnapshotRecord::decode(t).createdAt.sinceReferenceDate;
         }},
    };
    return all;
}

// `text` with the first `from` replaced by `to`.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from << " in " << text;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// The reader's date after the sample date's text is replaced by `number`; nothing when it refuses the text.
std::optional<double> dateRead(const Reader& reader, const std::string& number) {
    const std::string text = replaced(reader.write(kSampleDate), "123.5", number);
    try {
        return reader.readDate(text);
    } catch (const DecodingError&) {
        return std::nullopt;
    }
}

TEST(StoredRecords, DatesAreReadExactlyOrRefused) {
    struct Case {
        const char* text;
        std::optional<double> value; // nothing: refused
    };
    const Case cases[] = {
        {"0e53", 0.0},
        {"0e38", 0.0},
        {"0E+400", std::nullopt}, // an exponent beyond a double's is refused, even on zero
        {"-0", 0.0},
        {"786000000.25", 786000000.25},
        {"123.456789012345678", 123.456789012345678},
        {"9007199254740993", 9007199254740992.0},
        {"184467440737095516155", 184467440737095516155.0},
        {"1.7976931348623157e308", 1.7976931348623157e308},
        {"4e-320", 4e-320},
        {"1e400", std::nullopt},
        {"-1e400", std::nullopt},
        {"1.8e308", std::nullopt},
        {"-1.8e308", std::nullopt},
    };
    for (const Reader& reader : readers())
        for (const Case& c : cases)
            EXPECT_EQ(dateRead(reader, c.text), c.value) << reader.name << ": " << c.text;
}

TEST(StoredRecords, IntegersOutOfTheirRangeAreRefused) {
    struct Case {
        const char* text;
        bool accepted;
    };
    // A whole number is taken exactly, however it is written; anything else is refused, never rounded into
    // range or to a whole number.
    const Case cases[] = {
        {"4096", true},
        {"4.096e3", true},
        {"409600e-2", true},
        {"4096.000", true},
        {"0.4096E4", true},
        {"9223372036854775807", true},
        {"-9223372036854775808", true},
        {"-92233720368547758.08e2", true},
        {"9223372036854775808", false},
        {"-9223372036854775809", false},
        {"-9223372036854775808.5", false},
        {"9.2233720368547758075e18", false},
        {"1.00000000000000001", false},
        {"4096.5", false},
        {"1e400", false},
        {"1e19", false},
        {"1e-400", false},
    };
    for (const Case& c : cases) {
        const std::string text = replaced(CleanupJson::encodeReceipts({sampleReceipt()}), "\"bytes\":4096",
                                          std::string("\"bytes\":") + c.text);
        bool accepted = true;
        try {
            (void)CleanupJson::decodeReceipts(text);
        } catch (const DecodingError&) {
            accepted = false;
        }
        EXPECT_EQ(accepted, c.accepted) << c.text;
    }
}

TEST(StoredRecords, DatesThatAreNotFiniteAreNeverWritten) {
    const double values[] = {std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    for (const Reader& reader : readers())
        for (const double value : values)
            EXPECT_THROW((void)reader.write(value), EncodingError) << reader.name << ": " << value;
}

TEST(StoredRecords, ExtremeDatesReadBackAsThemselves) {
    const double values[] = {std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::lowest(),
                             std::numeric_limits<double>::min(),
                             std::numeric_limits<double>::denorm_min(),
                             -0.0,
                             0.1,
                             1.0 / 3.0,
                             786000000.123456789,
                             -978307200.0,
                             5e-324};
    for (const Reader& reader : readers())
        for (const double value : values) {
            double back = 0;
            ASSERT_NO_THROW(back = reader.readDate(reader.write(value))) << reader.name << ": " << value;
            EXPECT_EQ(back, value) << reader.name;
        }
}

// Whether the reader accepts `text`.
bool accepts(const Reader& reader, const std::string& text) {
    try {
        (void)reader.readDate(text);
        return true;
    } catch (const DecodingError&) {
        return false;
    }
}

TEST(StoredRecords, TextsThatAreNotUnicodeAreRefused) {
    struct Case {
        const char* name;
        const char* escape;
        bool accepted;
    };
    const Case cases[] = {
        {"a lone low surrogate", "\\udc00", false},
        {"a lone high surrogate", "\\ud800", false},
        {"a high surrogate before a letter", "\\ud800x", false},
        {"two high surrogates", "\\ud800\\ud800", false},
        {"a pair", "\\ud800\\udc00", true},
        {"an escaped letter", "\\u00e9", true},
        {"raw bytes that are not UTF-8", "\xED\xB0\x80", false},
    };
    for (const Reader& reader : readers())
        for (const Case& c : cases) {
            const std::string text =
                replaced(reader.write(kSampleDate), "/home/ann", std::string("/home/") + c.escape);
            EXPECT_EQ(accepts(reader, text), c.accepted) << reader.name << ": " << c.name;
        }
}

TEST(StoredRecords, PathsHoldingNulAreRefused) {
    // Every path field of every record, one at a time.
    struct Case {
        const char* reader;
        const char* path;
    };
    const Case cases[] = {
        {"queue", "\"path\":\"/home/ann/docs\""},         {"queue", "\"parent\":\"/home/ann\""},
        {"queue", "[\"/home/ann/docs/a.txt\"]"},          {"queue", "{\"/home/ann/docs\":"},
        {"queue", "{\"/home/ann/keep/a.txt\":"},          {"receipts", "\"originalPath\":\"/home/ann"},
        {"receipts", "\"trashPath\":\"/home/ann"},        {"backups", "\"directory\":\"/home/ann"},
        {"backups", "\"originalPath\":\"/home/ann"},      {"backups", "\"relativePath\":\"Files"},
        {"backup manifest", "\"directory\":\"/home/ann"}, {"saved-scan record", "\"rootPath\":\"/home/ann"},
    };
    for (const Case& c : cases) {
        const Reader& reader = *std::find_if(readers().begin(), readers().end(), [&](const Reader& r) {
            return r.name == std::string(c.reader);
        });
        const std::string text = reader.write(kSampleDate);
        const std::string from = c.path;
        // The NUL goes right after the first "/" or "F" of the path.
        const std::size_t mark = from.find_first_of("/F");
        const std::string to = from.substr(0, mark + 1) + "\\u0000" + from.substr(mark + 1);
        EXPECT_TRUE(accepts(reader, text)) << c.reader;
        EXPECT_FALSE(accepts(reader, replaced(text, from, to))) << c.reader << ": " << c.path;
    }
}

TEST(StoredRecords, TheWholeTextIsReadAndOnlyARealByteOrderMarkIsSkipped) {
    struct Case {
        const char* name;
        std::string before;
        std::string after;
        bool accepted;
    };
    const Case cases[] = {
        {"plain", "", "", true},
        {"trailing white space", "", " \n\t", true},
        {"a byte-order mark", "\xEF\xBB\xBF", "", true},
        {"a stray first byte of a mark", "\xEF", "", false},
        {"two bytes of a mark", "\xEF\xBB", "", false},
        {"the last two bytes of a mark", "\xBB\xBF", "", false},
        {"a mark twice", "\xEF\xBB\xBF\xEF\xBB\xBF", "", false},
        {"NUL at the end", "", std::string(1, '\0'), false},
        {"junk after NUL", "", std::string("\0junk", 5), false},
        {"a second value after NUL", "", std::string("\0[]", 3), false},
        {"a second value", "", "[]", false},
    };
    for (const Reader& reader : readers())
        for (const Case& c : cases)
            EXPECT_EQ(accepts(reader, c.before + reader.write(kSampleDate) + c.after), c.accepted)
                << reader.name << ": " << c.name;
}

// ---- paths are bytes ----------------------------------------------------------------------------------

// A name byte that is not UTF-8, and a name that holds U+FFFD itself: what the first reads as to a reader
// that replaces bad bytes.
const std::string kLatin1 = "caf\xE9";
const std::string kReplaced = "caf\xEF\xBF\xBD";

TEST(StoredRecords, PathsThatAreNotUtf8ReadBackAsTheirExactBytes) {
    const std::vector<std::string> paths = {"/home/ann/" + kLatin1 + ".txt",
                                            "/home/ann/" + kReplaced + ".txt",
                                            "/home/\xFF/x\xFE",
                                            "/home/ann/\xC3",
                                            "/home/ann/\xED\xA0\x80",
                                            "/home/ann/" + kLatin1 + "/" + kReplaced,
                                            "relative/\x80name",
                                            "\xF0\x9F\x98",
                                            ""};
    for (const std::string& path : paths) {
        TrashReceipt receipt = sampleReceipt();
        receipt.originalPath = path;
        receipt.trashPath = path + "/files";
        EXPECT_EQ(CleanupJson::decodeReceipts(CleanupJson::encodeReceipts({receipt})), std::vector{receipt})
            << path;

        CleanupEntry entry = sampleEntry();
        entry.node.path = path;
        entry.node.parent = path + "\xFF";
        entry.node.children = {path + "/a", path + "/" + kLatin1, path + "/" + kReplaced};
        entry.identities[path].inode = 1;
        entry.identities[path + "/" + kLatin1].inode = 2;
        entry.identities[path + "/" + kReplaced].inode = 3;
        entry.retainedCopies[path + "\xFE"].inode = 4;
        entry.retainedCopies[path + "\xFF"].inode = 5;
        EXPECT_EQ(CleanupJson::decodeEntries(CleanupJson::encodeEntries({entry})), std::vector{entry})
            << path;

        BackupReceipt backup = sampleBackup();
        backup.directory = path;
        backup.items = {{path + "/a", "Files/0001/" + kLatin1, 1}, {path, "Files/0002/" + kReplaced, 2}};
        EXPECT_EQ(BackupReceipt::decode(backup.encode()), backup) << path;
        EXPECT_EQ(BackupReceipt::decodeList(BackupReceipt::encodeList({backup})), std::vector{backup})
            << path;

        SnapshotRecord record = sampleRecord();
        record.rootPath = path;
        EXPECT_EQ(SnapshotRecord::decode(record.encode()), record) << path;
    }
}

TEST(StoredRecords, OtherReadersSeeReadableTextAndTheExactBytesApart) {
    TrashReceipt receipt = sampleReceipt();
    receipt.originalPath = "/home/ann/" + kLatin1 + ".txt";
    const std::string text = CleanupJson::encodeReceipts({receipt});
    // The readable field as before, and the bytes in hexadecimal under a key of their own.
    EXPECT_NE(text.find("\"originalPath\":\"/home/ann/" + kReplaced +
                        ".txt\","
                        "\"originalPathBytes\":\"2f686f6d652f616e6e2f636166e92e747874\""),
              std::string::npos)
        << text;
    // A path that is UTF-8 is stored as before, with nothing beside it.
    EXPECT_EQ(text.find("trashPathBytes"), std::string::npos);
    EXPECT_EQ(CleanupJson::encodeReceipts({sampleReceipt()}).find("Bytes"), std::string::npos);

    // Where a path is a key or an element of a list, the bytes follow the readable text after a NUL.
    CleanupEntry entry = sampleEntry();
    entry.identities["/" + kLatin1].inode = 1;
    const std::string queue = CleanupJson::encodeEntries({entry});
    EXPECT_NE(queue.find("\"/" + kReplaced + "\\u00002f636166e9\":"), std::string::npos) << queue;
}

TEST(StoredRecords, ExactBytesThatDoNotMatchTheirTextAreRefused) {
    TrashReceipt receipt = sampleReceipt();
    receipt.originalPath = "/" + kLatin1;
    const std::string text = CleanupJson::encodeReceipts({receipt});
    const std::string bytes = R"("originalPathBytes":"2f636166e9")";
    ASSERT_NE(text.find(bytes), std::string::npos) << text;
    struct Case {
        const char* name;
        std::string bytes;
        bool accepted;
    };
    const Case cases[] = {
        {"as written", bytes, true},
        {"the same bytes again, as UTF-8", R"("originalPathBytes":"2f636166efbfbd")", true},
        {"other bytes of the same readable form", R"("originalPathBytes":"2f636166e8")", true},
        {"bytes of another readable form", R"("originalPathBytes":"2f63616641")", false},
        {"upper-case digits", R"("originalPathBytes":"2F636166E9")", false},
        {"an odd count of digits", R"("originalPathBytes":"2f636166e")", false},
        {"not hexadecimal", R"("originalPathBytes":"2f636166zz")", false},
        {"NUL among the bytes", R"("originalPathBytes":"2f00636166e9")", false},
        {"not a string", R"("originalPathBytes":7)", false},
        {"null", R"("originalPathBytes":null)", false},
    };
    for (const Case& c : cases) {
        bool accepted = true;
        try {
            const std::string path =
                CleanupJson::decodeReceipts(replaced(text, bytes, c.bytes)).at(0).originalPath;
            if (c.bytes == bytes) {
                EXPECT_EQ(path, receipt.originalPath);
            }
        } catch (const DecodingError&) {
            accepted = false;
        }
        EXPECT_EQ(accepted, c.accepted) << c.name;
    }

    CleanupEntry entry = sampleEntry();
    entry.identities.clear();
    entry.identities["/" + kLatin1].inode = 1;
    const std::string queue = CleanupJson::encodeEntries({entry});
    const std::string key = "\"/" + kReplaced + "\\u00002f636166e9\":";
    ASSERT_NE(queue.find(key), std::string::npos);
    const Case keys[] = {
        {"as written", key, true},
        {"bytes of another readable form", "\"/" + kReplaced + "\\u00002f63616641\":", false},
        {"other text", "\"/caf\\u00002f636166e9\":", false},
        {"no bytes", "\"/" + kReplaced + "\\u0000\":", false},
        {"a second NUL", "\"/" + kReplaced + "\\u00002f636166e9\\u0000\":", false},
    };
    for (const Case& c : keys) {
        bool accepted = true;
        try {
            EXPECT_EQ(CleanupJson::decodeEntries(replaced(queue, key, c.bytes)).at(0).identities,
                      entry.identities)
                << c.name;
        } catch (const DecodingError&) {
            accepted = false;
        }
        EXPECT_EQ(accepted, c.accepted) << c.name;
    }
}

TEST(StoredRecords, APathThatCouldNotBeReadBackIsNeverWritten) {
    const std::string nul("/home/a\0b", 10);
    TrashReceipt receipt = sampleReceipt();
    receipt.trashPath = nul;
    EXPECT_THROW((void)CleanupJson::encodeReceipts({receipt}), EncodingError);
    CleanupEntry entry = sampleEntry();
    entry.retainedCopies[nul].inode = 1;
    EXPECT_THROW((void)CleanupJson::encodeEntries({entry}), EncodingError);
    entry = sampleEntry();
    entry.node.children.push_back(nul);
    EXPECT_THROW((void)CleanupJson::encodeEntries({entry}), EncodingError);
    BackupReceipt backup = sampleBackup();
    backup.items[0].relativePath = nul;
    EXPECT_THROW((void)backup.encode(), EncodingError);
    SnapshotRecord record = sampleRecord();
    record.rootPath = nul;
    EXPECT_THROW((void)record.encode(), EncodingError);
}

} // namespace
} // namespace ambertrove
