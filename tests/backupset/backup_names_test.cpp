// Naming backups: full IDs, file-name forms, unique prefixes, latest~N and titles, and the short
// form that listings show.
#include "backupset/backup_names.h"

#include <gtest/gtest.h>

namespace vaultora {
namespace {

TCatalogueEntry Entry(const std::string& id, const std::string& title, bool deleted = false) {
  TCatalogueEntry e;
  e.Id = id;
  e.BackupTitle = title;
  e.FinishDateTime = id;
  e.Deleted = deleted;
  return e;
}

// Three backups of one day (every ID starts "46365.0") and one of the next; given out of order.
const TBackupNames kNames({Entry("46365.021795162", "Docs"), Entry("46365.0191279745", "Docs"),
                           Entry("46366.5", "Photos"), Entry("46365.0192", "Mail")});

std::string Found(const std::string& name) {
  const TBackupNameMatch match = kNames.Resolve(name);
  return match.Result == TBackupNameMatch::nmFound ? match.Id : "(" + match.Problem + ")";
}

TEST(BackupNames, EveryFormOfAnIdNamesItsBackup) {
  EXPECT_EQ(Found("46365.0191279745"), "46365.0191279745");
  EXPECT_EQ(Found("46365_0191279745"), "46365.0191279745");
  EXPECT_EQ(Found("46365_0191279745.BFE"), "46365.0191279745");
  EXPECT_EQ(Found("46365_021795162.bfl"), "46365.021795162");
  EXPECT_EQ(Found("46365.02"), "46365.021795162");
  EXPECT_EQ(Found("46365_02"), "46365.021795162");
  EXPECT_EQ(Found("46366"), "46366.5");
  // A whole ID wins over the longer IDs it begins.
  EXPECT_EQ(Found("46365.0192"), "46365.0192");
}

TEST(BackupNames, LatestCountsBackFromTheNewestStart) {
  EXPECT_EQ(Found("latest"), "46366.5");
  EXPECT_EQ(Found("latest~0"), "46366.5");
  EXPECT_EQ(Found("latest~1"), "46365.021795162");
  EXPECT_EQ(Found("LATEST~3"), "46365.0191279745");
  EXPECT_EQ(Found("latest~4"), "(there are 4 backup(s), so \"latest~4\" names none)");
  // Deleted and failed backups are not counted.
  TCatalogueEntry failed = Entry("46367.5", "Failed");
  failed.FinishDateTime.clear();
  const TBackupNames names({Entry("46365.5", "A"), Entry("46366.5", "B", true), failed});
  EXPECT_EQ(names.Resolve("latest").Id, "46365.5");
  EXPECT_EQ(TBackupNames({}).Resolve("latest").Problem,
            "there is no backup yet, so \"latest\" names none");
}

TEST(BackupNames, AmbiguousNamesListTheirCandidatesOldestFirst) {
  const TBackupNameMatch day = kNames.Resolve("46365.0");
  ASSERT_EQ(day.Result, TBackupNameMatch::nmAmbiguous);
  ASSERT_EQ(day.Candidates.size(), 3u);
  EXPECT_EQ(day.Candidates[0].Id, "46365.0191279745");
  EXPECT_EQ(day.Candidates[2].Id, "46365.021795162");
  EXPECT_EQ(day.Problem, "\"46365.0\" is the beginning of 3 backups");
  const TBackupNameMatch docs = kNames.Resolve("Docs");
  ASSERT_EQ(docs.Result, TBackupNameMatch::nmAmbiguous);
  EXPECT_EQ(docs.Problem, "2 backups are titled \"Docs\"");
  EXPECT_EQ(Found("Photos"), "46366.5");
  EXPECT_EQ(Found("Mail"), "46365.0192");
  EXPECT_EQ(kNames.Resolve("4711.5").Result, TBackupNameMatch::nmUnknown);
  EXPECT_EQ(Found("4711.5"), "(unknown backup \"4711.5\")");
  EXPECT_EQ(kNames.Resolve("").Result, TBackupNameMatch::nmUnknown);
  EXPECT_EQ(Found("latest~x"), "(unknown backup \"latest~x\")");
}

TEST(BackupNames, TheShortFormIsTheShortestPrefixThatStillNamesTheBackup) {
  for (const char* id : {"46365.021795162", "46365.0191279745", "46366.5", "46365.0192"}) {
    const std::string shortName = kNames.ShortName(id);
    EXPECT_EQ(Found(shortName), id) << shortName;
    EXPECT_LE(shortName.size(), std::string(id).size());
  }
  EXPECT_EQ(kNames.ShortName("46365.021795162"), "46365.021");
  EXPECT_EQ(kNames.ShortName("46365.0191279745"), "46365.0191");
  EXPECT_EQ(kNames.ShortName("46366.5"), "46366.5");
}

}  // namespace
}  // namespace vaultora
