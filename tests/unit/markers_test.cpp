#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host/markers.h"
#include "host/nodelog.h"
#include "support/files.h"

namespace {

struct MarkerFile : ::testing::Test {
    std::string path;
    void SetUp() override { path = tempFile(); }
    void TearDown() override { unlink(path.c_str()); }
};

}  // namespace

TEST_F(MarkerFile, LookupStopsAtMalformedLine) {
    spill(path, "3 10\n4 11\nbroken\n5 12\n");
    struct Case { int user, id, want; } cases[] = {
        {3, 10, 1}, {4, 11, 1}, {5, 12, 0},   // after the bad line: not listed
        {3, 11, 0}, {4, 10, 0}, {3, 0, 0}, {3, -10, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(markerListed(path.c_str(), c.user, c.id), c.want) << c.user << " " << c.id;
    EXPECT_EQ(markerListed("/nonexistent-dir/WORDWHIRL.RD", 3, 10), 0);
}

TEST_F(MarkerFile, AddOncePerPair) {
    markerAdd(path.c_str(), 7, 42);
    markerAdd(path.c_str(), 7, 42);
    markerAdd(path.c_str(), 8, 42);
    markerAdd(path.c_str(), 7, 0);     // ids start at 1
    EXPECT_EQ(slurp(path), "7 42\n8 42\n");
}

TEST_F(MarkerFile, AddAfterUnterminatedLastLine) {
    spill(path, "1 2");
    markerAdd(path.c_str(), 1, 3);
    EXPECT_EQ(slurp(path), "1 2\n1 3\n");
    EXPECT_EQ(markerListed(path.c_str(), 1, 2), 1);
    EXPECT_EQ(markerListed(path.c_str(), 1, 3), 1);
}

TEST(Markers, ReadAndDismissedBesideExecutableKeyedByUser) {
    std::string rd = exePath("WORDWHIRL.RD").text;
    std::string dis = exePath("WORDWHIRL.DIS").text;
    unlink(rd.c_str());
    unlink(dis.c_str());
    markerAddRead(12, 5);
    markerAddRead(12, 5);
    markerAddDismissed(12, 6);
    EXPECT_EQ(markerHasRead(12, 5), 1);
    EXPECT_EQ(markerHasRead(12, 6), 0);
    EXPECT_EQ(markerHasDismissed(12, 6), 1);
    EXPECT_EQ(markerHasDismissed(12, 5), 0);
    EXPECT_EQ(markerHasRead(13, 5), 0);
    EXPECT_EQ(slurp(rd), "12 5\n");
    unlink(rd.c_str());
    unlink(dis.c_str());
}
