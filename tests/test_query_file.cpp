// Query file coding: the query file of the data directory into its coded copy.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "coding/query_file.h"
#include "platform/errors.h"
#include "support/fakes.h"

namespace {

using namespace qa;
using qa::testing::errorOf;
using qa::testing::Harness;

struct QueryFile : ::testing::Test {
    Harness h;
    std::string queryFileId;
    double codeNbr = 0;

    void SetUp() override
    {
        ASSERT_TRUE(h.start());
        ASSERT_EQ(h.tutor.session().dataDir(), "c:\\kelvarno");
        codeNbr = h.tutor.session().codeNbr();
    }
    void writeQuery(const std::string& bytes, const std::string& id = "")
    {
        std::ofstream(h.root.home() / ("query" + id + ".txt"), std::ios::binary) << bytes;
    }
    std::string coded(const std::string& id = "") const
    {
        return h.root.read(h.root.home() / ("queri" + id + ".txt"));
    }
    bool codedExists(const std::string& id = "") const
    {
        return h.root.exists(h.root.home() / ("queri" + id + ".txt"));
    }
    int codeFileError()
    {
        return errorOf([&] { coding::codeFile(h.files, h.tutor.session().dataDir(), queryFileId, codeNbr); });
    }
};

TEST_F(QueryFile, LineKinds)
{
    writeQuery("query 1abc\r\n"
               "query x\r\n"
               "query\r\n"
               "Assign 3\r\n"
               "assigned work\r\n"
               "QUERY 1x\r\n"
               "queryx rest\r\n"
               "ASSIGNMENT 4 query 1abc\r\n"
               "plain \xE9 line\t\x81\r\n");
    codeNbr = 24;
    EXPECT_EQ(codeFileError(), 0);
    EXPECT_EQ(coded(), "queryabc\r\n"
                       "query\r\n"
                       "query\r\n"
                       "Assign 3\r\n"
                       "assigned work\r\n"
                       "queryx\r\n"
                       "queryx rest\r\n"
                       "ASSIGNMENT 4 query 1abc\r\n"
                       "plain \xE9 line\t\x81\r\n");
    EXPECT_EQ(codeNbr, 10); // length of "query 1abc"
    EXPECT_EQ(h.files.openCount(), 0);
    EXPECT_EQ(h.ops.openFds, 0);
    // The query file itself is left alone.
    EXPECT_EQ(h.root.read(h.root.home() / "query.txt").substr(0, 12), "query 1abc\r\n");
}

TEST_F(QueryFile, OneLineAndTheCodeNumberFromTheFirstLine)
{
    writeQuery("Assign 3\r\n");
    codeNbr = 19.5;
    EXPECT_EQ(codeFileError(), 0);
    EXPECT_EQ(coded(), "Assign 3\r\n");
    EXPECT_EQ(codeNbr, 8);

    // An empty first line gives 0; the coded copy is replaced, not appended to.
    writeQuery("\r\nquery 1abc\r\n");
    EXPECT_EQ(codeFileError(), 0);
    EXPECT_EQ(coded(), "\r\nqueryabc\r\n");
    EXPECT_EQ(codeNbr, 0);
}

TEST_F(QueryFile, MissingQueryFile)
{
    const double before = codeNbr;
    EXPECT_EQ(codeFileError(), kFileNotFound);
    EXPECT_EQ(codeNbr, before);
    EXPECT_FALSE(codedExists());
    EXPECT_EQ(h.files.openCount(), 0);
    EXPECT_EQ(h.ops.openFds, 0);
}

TEST_F(QueryFile, EmptyQueryFile)
{
    writeQuery("");
    codeNbr = 21;
    EXPECT_EQ(codeFileError(), kInputPastEnd);
    EXPECT_EQ(codeNbr, 21);
    EXPECT_FALSE(codedExists());
    EXPECT_EQ(h.files.openCount(), 0);
    EXPECT_EQ(h.ops.openFds, 0);
}

TEST_F(QueryFile, FileIdGoesBetweenPrefixAndExtension)
{
    queryFileId = "07b";
    writeQuery("query 1abc\r\nother\r\n", "07b");
    writeQuery("should not be read\r\n");
    EXPECT_EQ(codeFileError(), 0);
    EXPECT_EQ(coded("07b"), "queryabc\r\nother\r\n");
    EXPECT_FALSE(codedExists());
    EXPECT_EQ(codeNbr, 10);
}

} // namespace
