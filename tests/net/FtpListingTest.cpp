#include "net/FtpListing.h"

#include <gtest/gtest.h>

namespace {
struct ListingCase {
    const char* Text;
    QString Name;
    qint64 Size;
    bool Directory;
    QString Time; // ISO local/UTC text, empty when none can be read
};

TEST(FtpListing, EachServerFormGivesNameSizeKindAndTime) {
    const int year = QDate::currentDate().year();
    const ListingCase cases[] = {
        {"type=file;size=1500000;modify=20240131235959; page one.htm\r\n", "page one.htm", 1500000,
         false, "2024-01-31T23:59:59Z"},
        {"modify=19991231000000;type=dir;unique=1; images\r\n", "images", 0, true,
         "1999-12-31T00:00:00Z"},
        {"type=file;size=5; semi;colon.txt\r\n", "semi;colon.txt", 5, false, ""},
        {"-rw-r--r--    1 user     group        2048 Mar  4  2019 notes.txt\n", "notes.txt", 2048,
         false, "2019-03-04T00:00:00"},
        {"drwxr-xr-x 2 user 4096 Jan  1 00:00 two  spaces\n", "two  spaces", 4096, true,
         QString("%1-01-01T00:00:00").arg(year)},
        {"lrwxrwxrwx 1 u g 7 Feb  2  2020 link -> target\n", "link", 7, false,
         "2020-02-02T00:00:00"},
        {"01-31-24  11:59PM       <DIR>          Web Site\r\n", "Web Site", 0, true,
         "2024-01-31T23:59:00"},
        {"12-01-98  09:05AM                 1025 old.htm\r\n", "old.htm", 1025, false,
         "1998-12-01T09:05:00"},
        {"type=file;size=-3;modify=notatime; neg\r\n", "neg", 0, false, ""},
    };
    for (const ListingCase& c : cases) {
        SCOPED_TRACE(c.Text);
        const QList<TFtpFindData> entries = ParseFtpListing(c.Text);
        ASSERT_EQ(entries.size(), 1);
        EXPECT_EQ(entries[0].Name, c.Name);
        EXPECT_EQ(entries[0].Size, c.Size);
        EXPECT_EQ(entries[0].Directory, c.Directory);
        EXPECT_EQ(entries[0].LastWriteTime.toString(Qt::ISODate), c.Time);
    }
}

TEST(FtpListing, LinesThatNameNoEntryAreSkipped) {
    const char* texts[] = {"",
                           "\r\n\r\n",
                           "total 12\n",
                           "type=cdir;modify=20240101000000; /pub\r\n",
                           "type=pdir; ..\r\n",
                           "garbage without facts\n",
                           "\0\0\0",
                           "-rw-r--r-- 1 u g 12 Foo 99 12:00 \n"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(ParseFtpListing(text).isEmpty());
    }
    const QList<TFtpFindData> two =
        ParseFtpListing("total 2\ntype=file;size=1; a\nnoise\ntype=dir; b\n");
    ASSERT_EQ(two.size(), 2);
    EXPECT_EQ(two[1].Name, "b");
}

TEST(FtpListing, OnlyPlainNamesAreSafeLocalFileNames) {
    const std::pair<QString, bool> cases[] = {
        {"page.htm", true},
        {".htaccess", false}, // hidden locally, and ".bashrc" would be a trap
        {"..hidden", false},
        {"", false},
        {".", false},
        {"..", false},
        {"../escape.txt", false},
        {"/etc/passwd", false},
        {"back\\slash", false},
        {"sub/inner.txt", false},
        {"cr\rname", false},
        {"lf\nname", false},
        {QString("nul") + QChar(0) + "x", false},
    };
    for (const auto& [name, safe] : cases)
        EXPECT_EQ(IsSafeLocalFileName(name), safe) << name.toStdString();
}
} // namespace
