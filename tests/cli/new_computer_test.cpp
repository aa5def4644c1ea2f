// The user's computer is lost: a new, empty profile is set up with vaultora-cli alone, learns of
// the backups from the server, enters them into its catalogue, fetches a chain and restores it.
// Both computers' log files are checked against the runs that wrote them.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <regex>
#include <sstream>

#include "platform/date_time.h"
#include "platform/folders.h"
#include "support/background_server.h"
#include "support/catalogued_backup.h"
#include "support/cli_profile.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

using TTree = std::map<std::string, std::string>;

constexpr const char* kKey = "kept on paper in a drawer";

// The runs of a log file, newest first: each the lines below its "**** date ****" header.
std::vector<std::vector<std::string>> LogBlocks(const std::string& text) {
  static const std::regex header(R"(\*\*\*\* \d\d/\d\d/\d{4} \d\d:\d\d:\d\d [AP]M \*\*\*\*)");
  std::vector<std::vector<std::string>> blocks;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (std::regex_match(line, header))
      blocks.emplace_back();
    else if (!blocks.empty())
      blocks.back().push_back(line);
  }
  return blocks;
}

// The log files that exist in a profile, by "logs list" ("(none)" marks a missing one).
std::set<std::string> ListedLogs(test::TCliProfile& profile) {
  EXPECT_EQ(profile.Run("logs list"), 0) << profile.Output();
  std::set<std::string> present;
  std::istringstream lines(profile.Output());
  for (std::string line; std::getline(lines, line);) {
    if (line.find("(none)") != std::string::npos) continue;
    const size_t dot = line.find(".log");
    const size_t start = line.rfind(' ', dot);
    if (dot != std::string::npos && start != std::string::npos)
      present.insert(line.substr(start + 1, dot + 4 - start - 1));
  }
  return present;
}

bool Holds(const std::vector<std::string>& block, const std::string& line) {
  return std::find(block.begin(), block.end(), line) != block.end();
}

// Every line the run printed from the one that starts with from to the one that starts with to
// (or its end) is in block.
void ExpectLogged(const std::string& output, const std::string& from,
                  const std::vector<std::string>& block, const std::string& to = "") {
  const size_t start = output.find(from);
  ASSERT_NE(start, std::string::npos) << output;
  std::istringstream lines(output.substr(start));
  for (std::string line; std::getline(lines, line);) {
    EXPECT_TRUE(Holds(block, line)) << line;
    if (!to.empty() && line.compare(0, to.size(), to) == 0) break;
  }
}

class CliNewComputer : public testing::Test {
 protected:
  CliNewComputer() : Server(VAULTORA_SERVER_PATH, {{"ann", "secret"}}) {}

  test::TBackgroundServer Server;
  test::TTempFolder Source;
  test::TTempFolder Target;
};

TEST_F(CliNewComputer, ASecondProfileFindsRegistersReceivesAndRestoresTheChain) {
  ASSERT_GT(Server.Port(), 0) << Server.Failure();
  // The first computer: a full backup and an incremental one, sent.
  test::TCliProfile first(VAULTORA_CLI_PATH);
  first.Connect(Server.Port(), {"ann", "secret"});
  first.SetKey(kKey);
  test::WriteTextFile(Source / "letter.txt", "Dear Ann");
  test::WriteTextFile(Source / "photos/cat.jpg", std::string(40000, 'c'));
  ASSERT_EQ(first.Run("list create " + Source.Path() + " --rule --subfolders --wizard"), 0)
      << first.Output();
  const std::string full = first.Backup("--title 'Home folder' --full");
  ASSERT_FALSE(full.empty()) << first.Output();
  EXPECT_EQ(ListedLogs(first), (std::set<std::string>{"Backup.log"}));
  test::WriteTextFile(Source / "letter.txt", "Dear Ann, thank you");
  test::WriteTextFile(Source / "photos/dog.jpg", std::string(30000, 'd'));
  const std::string incremental = first.Backup("--title 'Home folder, later' --base " + full);
  ASSERT_FALSE(incremental.empty()) << first.Output();
  const std::string backupRun = first.Output();
  ASSERT_EQ(first.Run("send"), 0) << first.Output();
  const std::string sendRun = first.Output();
  EXPECT_EQ(ListedLogs(first), (std::set<std::string>{"Backup.log", "InternetBackup.log"}));

  // The new computer: an empty profile set up through the program, key and password typed in.
  test::TCliProfile second(VAULTORA_CLI_PATH);
  ASSERT_EQ(second.Run("settings set Connection Host 1 127.0.0.1"), 0) << second.Output();
  ASSERT_EQ(second.Run("settings set Connection ServerPort 3 " + std::to_string(Server.Port())), 0);
  ASSERT_EQ(second.Run("settings set Connection UseLANServer 2 1"), 0);
  ASSERT_EQ(second.Run("key set", std::string(kKey) + "\n"), 0) << second.Output();
  ASSERT_EQ(second.Run("account set ann", "secret\n"), 0) << second.Output();
  ASSERT_EQ(second.Run("catalogue"), 0);
  EXPECT_TRUE(second.Printed("0 backup(s)")) << second.Output();

  ASSERT_EQ(second.Run("download-settings"), 0) << second.Output();
  EXPECT_TRUE(second.Printed("Home folder retrieved from Vaultora's server")) << second.Output();
  EXPECT_TRUE(second.Printed("Home folder, later retrieved from Vaultora's server"));
  const std::string downloadRun = second.Output();
  ASSERT_EQ(second.Run("register --all"), 0) << second.Output();
  EXPECT_TRUE(second.Printed("Home folder unpacked.\n")) << second.Output();
  EXPECT_TRUE(second.Printed("Home folder, later unpacked.\n"));
  ASSERT_EQ(second.Run("catalogue view sent"), 0);
  EXPECT_TRUE(second.Printed("2 item(s) on the server.")) << second.Output();

  ASSERT_EQ(second.Run("request " + incremental), 0) << second.Output();
  ASSERT_EQ(second.Run("receive"), 0) << second.Output();
  EXPECT_TRUE(second.Printed("Retrieving Home folder\n")) << second.Output();
  EXPECT_TRUE(second.Printed("Retrieving Home folder, later\n"));
  const std::string receiveRun = second.Output();
  ASSERT_EQ(second.Run("restore " + incremental + " --to " + Target.Path() + " --folder-names"), 0)
      << second.Output();
  const std::string restoreRun = second.Output();
  EXPECT_EQ(test::ReadTree(Target.Path() + Source.Path().substr(1)), test::ReadTree(Source.Path()));

  // Which logs each computer wrote, and that they hold the runs' lines.
  EXPECT_EQ(ListedLogs(second),
            (std::set<std::string>{"RegUpDate.log", "InternetRestore.log", "Restore.log"}));
  ASSERT_EQ(second.Run("logs show Restores"), 0);
  auto blocks = LogBlocks(second.Output());
  ASSERT_EQ(blocks.size(), 1u) << second.Output();
  ExpectLogged(restoreRun, "Decrypting", blocks[0]);
  EXPECT_TRUE(Holds(blocks[0], "Restore completed, 3 file(s) unpacked"));
  ASSERT_EQ(second.Run("logs show 'Internet Restores'"), 0);
  blocks = LogBlocks(second.Output());
  ASSERT_EQ(blocks.size(), 1u) << second.Output();
  ExpectLogged(receiveRun, "Logon accepted", blocks[0]);
  // Each of download-settings and register writes two runs: the transfer's lines and the list's.
  ASSERT_EQ(second.Run("logs show RegUpDate.log"), 0);
  blocks = LogBlocks(second.Output());
  ASSERT_EQ(blocks.size(), 4u) << second.Output();
  EXPECT_TRUE(Holds(blocks[0], "Home folder unpacked."));
  std::vector<std::string> download = blocks[3];
  download.insert(download.end(), blocks[2].begin(), blocks[2].end());
  ExpectLogged(downloadRun, "Logon accepted", download, "Online Backup Download closed");

  ASSERT_EQ(first.Run("logs show Backups"), 0);
  blocks = LogBlocks(first.Output());
  ASSERT_EQ(blocks.size(), 2u) << first.Output();  // the later run first
  // The command's own summary of the rate follows the run's lines; it is not one of them.
  ExpectLogged(backupRun, "Backup Title: Home folder, later", blocks[0], "Backup finished");
  EXPECT_NE(backupRun.find("MB/s, deflated on "), std::string::npos) << backupRun;
  EXPECT_EQ(blocks[1][0], "Backup Title: Home folder");
  ASSERT_EQ(first.Run("logs show 2"), 0);
  blocks = LogBlocks(first.Output());
  ASSERT_EQ(blocks.size(), 1u) << first.Output();
  ExpectLogged(sendRun, "Logon accepted", blocks[0]);

  ASSERT_EQ(second.Run("logs clear --yes"), 0) << second.Output();
  EXPECT_TRUE(ListedLogs(second).empty());
}

// A profile that keeps its file lists private: a computer with the right key gets them back, one
// with another key is told why and enters nothing, and a profile that turns the option off sends
// the protocol's form, which any key opens.
TEST_F(CliNewComputer, APrivateFileListComesBackOnlyWithTheKeyItWasSentUnder) {
  ASSERT_GT(Server.Port(), 0) << Server.Failure();
  test::TCliProfile first(VAULTORA_CLI_PATH);
  first.Connect(Server.Port(), {"ann", "secret"});
  first.SetKey(kKey);
  // (The test profile is made with its preferences, so the new-profile default is not written.)
  ASSERT_EQ(first.Run("options set private-file-list on"), 0) << first.Output();
  test::WriteTextFile(Source / "letter.txt", "Dear Ann");
  ASSERT_EQ(first.Run("list create " + Source.Path() + " --wizard"), 0) << first.Output();
  const std::string secret = first.Backup("--title Private --full");
  ASSERT_FALSE(secret.empty()) << first.Output();
  ASSERT_EQ(first.RunApart("send --json"), 0) << first.Errors();  // sealed as it is sent
  const QJsonObject sent =
      QJsonDocument::fromJson(QByteArray::fromStdString(first.Output())).object();
  EXPECT_EQ(sent["status"].toString(), "done") << first.Output();
  EXPECT_EQ(sent["sent"].toArray(), QJsonArray({QString::fromStdString(secret)}));
  EXPECT_TRUE(sent["notSent"].toArray().isEmpty());
  ASSERT_EQ(first.Run("options set private-file-list off"), 0) << first.Output();
  const std::string open = first.Backup("--title Open --full");
  ASSERT_FALSE(open.empty()) << first.Output();
  ASSERT_EQ(first.Run("send"), 0) << first.Output();

  test::TCliProfile other(VAULTORA_CLI_PATH);
  other.Connect(Server.Port(), {"ann", "secret"});
  other.SetKey("somebody else's key");
  // What the server holds, as a program reads it: the titles travel in the clear.
  ASSERT_EQ(other.RunApart("download-settings --json"), 0) << other.Errors();
  const QJsonArray held =
      QJsonDocument::fromJson(QByteArray::fromStdString(other.Output())).array();
  ASSERT_EQ(held.size(), 2) << other.Output();
  EXPECT_EQ(held[0].toObject()["id"].toString().toStdString(), secret);
  EXPECT_EQ(held[0].toObject()["title"].toString(), "Private");
  EXPECT_TRUE(held[0].toObject()["incremental"].isNull());
  EXPECT_GT(held[1].toObject()["size"].toInt(), 0);
  EXPECT_EQ(other.Run("register --all"), 1);
  EXPECT_TRUE(
      other.Printed("The file list of Private is enciphered under another key than the one stored"))
      << other.Output();
  EXPECT_TRUE(other.Printed("Open unpacked.")) << other.Output();
  ASSERT_EQ(other.Run("catalogue " + secret), 1) << "nothing of it is entered";

  test::TCliProfile same(VAULTORA_CLI_PATH);
  same.Connect(Server.Port(), {"ann", "secret"});
  same.SetKey(kKey);
  ASSERT_EQ(same.Run("register --all"), 0) << same.Output();
  ASSERT_EQ(same.Run("list show " + same.FileOf(secret, ".bfl")), 0) << same.Output();
  EXPECT_TRUE(same.Printed("letter.txt")) << same.Output();
}

}  // namespace
}  // namespace vaultora
