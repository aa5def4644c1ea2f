// Naming backups on the command line, and --json: every form of a name reaches the same backup,
// an ambiguous one lists the candidates and exits 2, and the JSON documents parse and say what
// the tables say. Status lines never reach standard output.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>

#include "catalogue/catalogue.h"
#include "support/catalogued_backup.h"
#include "support/cli_profile.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

constexpr const char* kKey = "the user's key";

class CliNaming : public testing::Test {
 protected:
  void SetUp() override {
    Profile.SetKey(kKey);
    test::WriteTextFile(Source / "a.txt", "alpha");
    // Three backups of one day, the last appended to the second.
    Add("46365.0191279745", "Docs");
    Add("46365.021795162", "Docs");
    Add("46365.5", "Mail", "46365.021795162");
  }
  void Add(const std::string& id, const std::string& title, const std::string& base = "") {
    test::AddCataloguedBackup(Profile.Store, {id, title, {Source / "a.txt"}, base, true}, kKey);
  }
  // Standard output of the command as JSON; fails the test when it is not one document.
  QJsonDocument Json(const std::string& arguments) {
    EXPECT_EQ(Profile.RunApart(arguments + " --json"), 0) << arguments << Profile.Errors();
    QJsonParseError error{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromStdString(Profile.Output()), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError)
        << arguments << ": " << error.errorString().toStdString() << "\n"
        << Profile.Output();
    return doc;
  }

  test::TCliProfile Profile{VAULTORA_CLI_PATH};
  test::TTempFolder Source;
};

TEST_F(CliNaming, EveryFormOfANameReachesTheSameBackup) {
  for (const char* name :
       {"46365.0191279745", "46365_0191279745", "46365_0191279745.BFE", "46365.019", "46365_019"}) {
    ASSERT_EQ(Profile.RunApart(std::string("catalogue ") + name + " --json"), 0)
        << name << Profile.Errors();
    EXPECT_NE(Profile.Output().find("\"id\":\"46365.0191279745\""), std::string::npos) << name;
  }
  const struct {
    const char* Name;
    const char* Id;
  } cases[] = {{"latest", "46365.5"},
               {"latest~1", "46365.021795162"},
               {"latest~2", "46365.0191279745"},
               {"Mail", "46365.5"}};
  for (const auto& c : cases) {
    const QJsonObject entry = Json(std::string("catalogue ") + c.Name).object();
    EXPECT_EQ(entry["id"].toString().toStdString(), c.Id) << c.Name;
  }
  // Commands that take a backup take every form too.
  EXPECT_EQ(Profile.Run("restore latest~1 --list"), 0) << Profile.Output();
  EXPECT_EQ(Profile.Run("undo 46365_5"), 0) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("46365.5 no longer marked for deletion")) << Profile.Output();
  EXPECT_EQ(Profile.Run("latest~9 --list"), 2);  // not a command
  EXPECT_EQ(Profile.Run("restore latest~3 --list"), 1);
  EXPECT_TRUE(Profile.Printed("there are 3 backup(s), so \"latest~3\" names none"))
      << Profile.Output();
}

TEST_F(CliNaming, AnAmbiguousNameListsTheCandidatesAndExits2) {
  for (const char* command : {"restore 46365.0 --list", "catalogue 46365", "delete Docs --yes",
                              "backup --base 46365.0"}) {
    EXPECT_EQ(Profile.RunApart(command), 2) << command << Profile.Errors();
    EXPECT_TRUE(Profile.Output().empty()) << command;
    EXPECT_NE(Profile.Errors().find("46365.0191279745"), std::string::npos) << Profile.Errors();
    EXPECT_NE(Profile.Errors().find("46365.021795162"), std::string::npos) << Profile.Errors();
  }
  EXPECT_NE(Profile.Errors().find("\"46365.0\" is the beginning of 2 backups"), std::string::npos);
  Profile.RunApart("delete Docs --yes");
  EXPECT_NE(Profile.Errors().find("2 backups are titled \"Docs\""), std::string::npos);
  EXPECT_EQ(TCatalogue(Profile.Store).Entries().size(), 3u);
  EXPECT_FALSE(TCatalogue(Profile.Store).Entry("46365.0191279745").Deleted);
}

TEST_F(CliNaming, ListingsShowTheShortFormAndIsoTimes) {
  ASSERT_EQ(Profile.RunApart("catalogue view outbox"), 0) << Profile.Errors();
  EXPECT_NE(Profile.Output().find("46365.019 "), std::string::npos) << Profile.Output();
  EXPECT_NE(Profile.Output().find("46365.021 "), std::string::npos) << Profile.Output();
  EXPECT_NE(Profile.Output().find("2026-12-09T00:27:32"), std::string::npos) << Profile.Output();
  // The status panel's line is a status line: standard error.
  EXPECT_NE(Profile.Errors().find("3 item(s) to be sent."), std::string::npos);
  EXPECT_EQ(Profile.Output().find("item(s) to be sent"), std::string::npos);
  ASSERT_EQ(Profile.RunApart("catalogue view outbox --date-format '%d.%m.%Y'"), 0);
  EXPECT_NE(Profile.Output().find("09.12.2026"), std::string::npos) << Profile.Output();
  EXPECT_EQ(Profile.RunApart("catalogue --date-format weekly"), 2);
  // The short form names the backup.
  ASSERT_EQ(Profile.RunApart("catalogue 46365.021 --json"), 0);
  EXPECT_NE(Profile.Output().find("\"short\":\"46365.021\""), std::string::npos);
}

TEST_F(CliNaming, JsonOfTheCatalogueAndItsViewsParses) {
  const QJsonArray all = Json("catalogue").array();
  ASSERT_EQ(all.size(), 3);
  const QJsonObject mail = all[2].toObject();
  EXPECT_EQ(mail["id"].toString(), "46365.5");
  EXPECT_EQ(mail["title"].toString(), "Mail");
  EXPECT_EQ(mail["incremental"].toString(), "46365.021795162");
  EXPECT_TRUE(all[0].toObject()["incremental"].isNull());
  EXPECT_TRUE(mail["needToSend"].toBool());
  EXPECT_TRUE(mail["archiveHere"].toBool());
  EXPECT_EQ(mail["started"].toString().left(19), "2026-12-09T12:00:00");
  EXPECT_EQ(mail["views"].toArray().first().toString(), "Outbox");
  EXPECT_GT(mail["size"].toInteger(), 0);

  const QJsonObject outbox = Json("catalogue view outbox").object();
  EXPECT_EQ(outbox["view"].toString(), "Outbox");
  EXPECT_EQ(outbox["status"].toString(), "3 item(s) to be sent.");
  ASSERT_EQ(outbox["rows"].toArray().size(), 3);
  EXPECT_EQ(outbox["rows"].toArray()[0].toObject()["short"].toString(), "46365.019");
  EXPECT_EQ(Json("catalogue view inbox").object()["rows"].toArray().size(), 0);
  // A command that neither lists nor reports has no --json.
  EXPECT_EQ(Profile.Run("undo Mail --json"), 2);
}

// The set-up reports, a schedule, the logs and a file list as documents of their own.
TEST_F(CliNaming, JsonOfTheSetupSchedulesLogsAndListsParses) {
  ASSERT_EQ(Profile.Run("connection set --direct --host 10.0.0.7 --port 2020"), 0);
  const QJsonObject connection = Json("connection").object();
  EXPECT_EQ(connection["connection"].toString(), "direct");
  EXPECT_EQ(connection["host"].toString(), "10.0.0.7");
  EXPECT_EQ(connection["port"].toInt(), 2020);
  EXPECT_TRUE(connection["dialupEntry"].isNull());

  ASSERT_EQ(Profile.Run("options set max-log-size 700 shell-command 'run it'"), 0);
  const QJsonObject options = Json("options").object();
  EXPECT_TRUE(options["encryptionKeyStored"].toBool());
  std::map<std::string, QJsonValue> values;
  for (const QJsonValue option : options["options"].toArray())
    values[option.toObject()["name"].toString().toStdString()] = option.toObject()["value"];
  EXPECT_EQ(values["max-log-size"].toInt(), 700);
  EXPECT_EQ(values["shell-command"].toString(), "run it");
  EXPECT_TRUE(values["reconnect"].isBool());

  const std::string list = Source / "docs.bfl";
  test::WriteTextFile(list, Source.Path() + "\r\na.txt\r\n/s\b*.doc\r\n");
  ASSERT_EQ(Profile.Run("schedule set Nightly --daily --time 02:00 --title Night --list " +
                        test::ShellQuote(list)),
            0)
      << Profile.Output();
  const QJsonArray schedules = Json("schedule list").array();
  ASSERT_EQ(schedules.size(), 1);
  const QJsonObject nightly = schedules[0].toObject();
  EXPECT_EQ(nightly["name"].toString(), "Nightly");
  EXPECT_EQ(nightly["time"].toString(), "02:00:00");
  EXPECT_EQ(nightly["title"].toString(), "Night");
  EXPECT_TRUE(nightly["fileList"].toString().endsWith(".bfl"));  // the schedule's own copy
  EXPECT_TRUE(nightly["fileListHere"].toBool());
  EXPECT_TRUE(nightly["lastRun"].isNull());
  EXPECT_TRUE(nightly["expireDays"].isNull());

  const QJsonArray entries = Json("list show " + test::ShellQuote(list)).array();
  ASSERT_EQ(entries.size(), 2);
  EXPECT_EQ(entries[0].toObject()["kind"].toString(), "file");
  EXPECT_EQ(entries[0].toObject()["path"].toString().toStdString(), Source / "a.txt");
  EXPECT_EQ(entries[0].toObject()["size"].toInt(), 5);
  EXPECT_EQ(entries[1].toObject()["mask"].toString(), "*.doc");
  EXPECT_TRUE(entries[1].toObject()["subfolders"].toBool());

  const QJsonArray logs = Json("logs list").array();
  EXPECT_EQ(logs.size(), 7);
  EXPECT_EQ(logs[0].toObject()["caption"].toString(), "Backups");
}

TEST_F(CliNaming, JsonOfARestoreListsTheChainAndSumsUpTheRestore) {
  const QJsonObject listed = Json("restore 46365.5 --list").object();
  EXPECT_EQ(listed["backup"].toString(), "46365.5");
  EXPECT_EQ(listed["chain"].toArray(), QJsonArray({"46365.021795162", "46365.5"}));
  const QJsonArray files = listed["files"].toArray();
  ASSERT_EQ(files.size(), 1) << Profile.Output();
  const QJsonObject a = files[0].toObject();
  EXPECT_EQ(a["name"].toString(), "a.txt");
  EXPECT_EQ(a["folder"].toString().toStdString(), Source.Path());
  EXPECT_EQ(a["size"].toInt(), 5);
  EXPECT_EQ(a["modified"].toString().size(), 25) << a["modified"].toString().toStdString();
  EXPECT_FALSE(a["deleted"].toBool());
  // Status lines went to standard error.
  EXPECT_NE(Profile.Errors().find("Appending incremental archives"), std::string::npos);

  test::TTempFolder target;
  const QJsonObject restored = Json("restore 46365.5 --to " + target.Path()).object();
  EXPECT_EQ(restored["status"].toString(), "done");
  EXPECT_EQ(restored["restored"].toInt(), 1);
  EXPECT_EQ(restored["notRestored"].toInt(), 0);
  EXPECT_EQ(restored["to"].toString().toStdString() + "/", target.Path());
}

TEST_F(CliNaming, JsonOfABackupSaysWhatItMadeAndWhenNothingWasNew) {
  ASSERT_EQ(Profile.Run("list create " + Source.Path() + " --wizard"), 0) << Profile.Output();
  const QJsonObject made = Json("backup --title Fresh").object();
  EXPECT_EQ(made["status"].toString(), "done");
  const std::string id = made["backup"].toString().toStdString();
  ASSERT_FALSE(id.empty()) << Profile.Output();
  EXPECT_EQ(made["archive"].toString().toStdString(), Profile.FileOf(id, ".BFE"));
  EXPECT_EQ(made["files"].toInt(), 1);
  EXPECT_GE(made["bytesRead"].toInt(), 5);  // the file and its metadata record
  EXPECT_GT(made["archiveBytes"].toInt(), 0);
  EXPECT_GE(made["threads"].toInt(), 1);
  EXPECT_TRUE(made["notTaken"].toArray().isEmpty());
  EXPECT_TRUE(made["sent"].isNull());

  const QJsonObject again = Json("backup --title Again --base " + id).object();
  EXPECT_EQ(again["status"].toString(), "nothing-new") << Profile.Output();
  EXPECT_TRUE(again["backup"].isNull());
}

}  // namespace
}  // namespace vaultora
