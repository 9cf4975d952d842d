// The checks every entry point applies to what a user hands the program: e-mail addresses
// and input files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "common/email_address.h"
#include "common/file_read.h"
#include "support/file_io.h"
#include "support/temp_dir.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

TEST(EmailAddress, LocalAtDomainOnly) {
  for (const char* good : {"a@b.se", "kansliet@exempel.se", "a.b+c@d-e.f", "\xE5sa@m\xE4ster.se"})
    EXPECT_TRUE(ValidEmailAddress(good)) << good;
  for (const char* bad :
       {"",          "@b.se",      "a@",        "ab.se",
        "a@b@c.se",  "a b@c.se",   "a@b.se ",   "a@.se",
        "a@b.",      "a@b..se",    "<a@b.se>",  "a@b.se>\r\nRCPT TO:<evil@x.example",
        "a@b.se\n",  "a\t@b.se",   "a,c@b.se",  "a;c@b.se",
        "a:c@b.se",  "\"a\"@b.se", "a\\b@c.se", "a@[1.2.3.4]",
        "a\x7F@b.se"})
    EXPECT_FALSE(ValidEmailAddress(bad)) << ShownEmailAddress(bad);
}

TEST(EmailAddress, IsShownWithoutItsLineBreaks) {
  EXPECT_EQ(ShownEmailAddress("a@b>\r\nRCPT\x01"), "a@b>\\r\\nRCPT\\x01");
  EXPECT_EQ(ShownEmailAddress("\xE5@b.se"), "\xE5@b.se");
}

class ReadRegularFileTest : public ::testing::Test {
 protected:
  liga::testing::TempDir m_dir{"read_regular"};
};

TEST_F(ReadRegularFileTest, ReadsAFileWhole) {
  ASSERT_TRUE(liga::testing::WriteFile(m_dir / "a.txt", std::string(200000, 'x') + "end"));
  std::string content;
  EXPECT_EQ(ReadRegularFile((m_dir / "a.txt").string(), content).problem, ReadProblem::None);
  EXPECT_EQ(content.size(), 200003u);
  EXPECT_EQ(content.substr(200000), "end");
}

TEST_F(ReadRegularFileTest, RefusesWhatIsNotAFileWithoutWaiting) {
  ASSERT_EQ(::mkfifo((m_dir / "fifo").c_str(), 0600), 0);
  std::string content = "old";
  // A FIFO without a writer would block a plain open() for ever.
  EXPECT_EQ(ReadRegularFile((m_dir / "fifo").string(), content).problem, ReadProblem::NotRegular);
  EXPECT_EQ(ReadRegularFile("/dev/zero", content).problem, ReadProblem::NotRegular);
  EXPECT_EQ(ReadRegularFile(m_dir.string(), content).problem, ReadProblem::NotRegular);
  EXPECT_TRUE(content.empty());
  const ReadOutcome missing = ReadRegularFile((m_dir / "none").string(), content);
  EXPECT_EQ(missing.problem, ReadProblem::CannotOpen);
  EXPECT_NE(ReadProblemText(missing, "none").find("finns inte"), std::string::npos);
}

TEST_F(ReadRegularFileTest, StopsAtTheLimit) {
  ASSERT_TRUE(liga::testing::WriteFile(m_dir / "big", std::string(1001, 'x')));
  std::string content;
  EXPECT_EQ(ReadRegularFile((m_dir / "big").string(), content, 1000).problem,
            ReadProblem::TooLarge);
  EXPECT_TRUE(content.empty());
  EXPECT_EQ(ReadRegularFile((m_dir / "big").string(), content, 1001).problem, ReadProblem::None);
}

}  // namespace
}  // namespace liga
