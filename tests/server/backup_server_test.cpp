// The data channel against the backup server on loopback: every command as the client uses it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "online/protocol.h"
#include "online/wire_integers.h"
#include "server_fixture.h"

namespace vaultora::test {
namespace {

using TBytes = std::vector<uint8_t>;
using TFields = std::vector<TBytes>;

// The fields of one backup image: int32 length, bytes, nine times.
TFields ImageFields(const TBytes& image) {
  TFields fields;
  size_t at = 0;
  while (at + 4 <= image.size()) {
    const auto length = static_cast<size_t>(ReadInt32(image.data() + at));
    at += 4;
    if (at + length > image.size()) break;
    fields.emplace_back(image.begin() + static_cast<long>(at),
                        image.begin() + static_cast<long>(at + length));
    at += length;
  }
  EXPECT_EQ(at, image.size());
  return fields;
}

std::vector<TFields> Images(TBkServer& client) {
  std::vector<TFields> images;
  std::unique_ptr<TMemoryStream> answer = client.AvailableBackups();
  if (!answer) return images;
  TDataInterleaveStream container;
  container.Unpack(answer.get());
  for (int i = 0; i < container.Count(); ++i)
    images.push_back(ImageFields(container.Item(i)));
  return images;
}

std::string Text(const TBytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

using BackupServer = TServerFixture;

TEST_F(BackupServer, LogonAcceptedOnlyForTheRightAccountAndPassword) {
  auto client = Client("");
  EXPECT_EQ(client->Logon(EnvelopeFor("ann", "ann-secret"), LogonTimeCode(Now())).size(), 32u);
  EXPECT_EQ(client->Logon(EnvelopeFor("ann", "wrong"), LogonTimeCode(Now())), "");
  EXPECT_EQ(client->Logon(EnvelopeFor("carl", "ann-secret"), LogonTimeCode(Now())), "");
  TBytes tampered = EnvelopeFor("ann", "ann-secret");
  tampered[tampered.size() / 2] ^= 0x20;
  EXPECT_EQ(client->Logon(tampered, LogonTimeCode(Now())), "");
  EXPECT_EQ(client->Logon(TBytes{1, 2, 3, 0}, ""), "");
  // A refused logon also ends what the account was allowed to do.
  EXPECT_EQ(client->RemoteSize(), 0);
  EXPECT_EQ(client->InitRestore("x.BFE", "", 0), 0);
}

TEST_F(BackupServer, EveryCommandBeforeLogonGetsTheFailureValue) {
  auto client = Client("");
  EXPECT_FALSE(client->InitBackup("1_5.BFE", "t", "1_5.bfl", 1, 10, "M", {}, ""));
  EXPECT_EQ(client->RemoteSize(), 0);
  TMemoryStream data(TBytes(10, 1));
  client->OnBackup = [](TBkServer*, int64_t, int64_t, int&, bool&) {};
  EXPECT_EQ(client->SendFile(data, 4096), 0);
  EXPECT_FALSE(client->EndBackup(1));
  EXPECT_EQ(client->InitRestore("1_5.BFE", "t", 1), 0);
  EXPECT_FALSE(client->EndRestore(1));
  EXPECT_FALSE(client->DeleteBackups({"1_5.BFE"}));
  EXPECT_EQ(client->AvailableBackups(), nullptr);
  // The connection is still in step: a logon now works.
  EXPECT_FALSE(client->Logon(EnvelopeFor("ann", "ann-secret"), LogonTimeCode(Now())).empty());
}

TEST_F(BackupServer, UploadInChunksThenDownloadWithChangedBufferSizes) {
  const std::string path = WriteArchive(FFiles, "45000_25.BFE", 100000);
  auto client = Client();
  TFileStream archive(path, fmOpenRead);
  ASSERT_TRUE(
      client->InitBackup("45000_25.BFE", "Daily", "45000_25.bfl", 45000.5, 100000, "M", {}, ""));
  EXPECT_EQ(client->RemoteSize(), 0);
  int chunks = 0;
  client->OnBackup = [&](TBkServer*, int64_t size, int64_t position, int& chunk, bool&) {
    EXPECT_EQ(size, 100000);
    EXPECT_LE(position, size);
    chunk = ++chunks % 2 ? 1000 : 9000;  // capped at 4096
  };
  EXPECT_EQ(client->SendFile(archive, 700), 100000);
  EXPECT_GT(chunks, 30);
  EXPECT_EQ(client->RemoteSize(), 100000);
  EXPECT_TRUE(client->EndBackup(Now()));

  EXPECT_EQ(client->InitRestore("45000_25.BFE", "Daily", Date()), 1);
  EXPECT_EQ(client->RemoteSize(), 100000);
  TBytes received;
  client->OnRestore = [&](TBkServer*, TMemoryStream& data, bool&) {
    EXPECT_LE(data.Size(), 4096);
    received.insert(received.end(), data.Bytes().begin(), data.Bytes().end());
  };
  client->SetReceiveBufferSize(700);
  client->ReceiveFile(0);
  client->SetReceiveBufferSize(3000);
  client->ReceiveFile(60000);  // a resumed download from the middle
  EXPECT_TRUE(client->EndRestore(Date()));
  const TBytes original = ReadBytes(path);
  TBytes expected = original;
  expected.insert(expected.end(), original.begin() + 60000, original.end());
  EXPECT_EQ(received, expected);
}

TEST_F(BackupServer, EndUploadIsTrueOnlyWhenEveryByteIsHeld) {
  const std::string path = WriteArchive(FFiles, "45001.BFE", 5000);
  auto client = Client();
  ASSERT_TRUE(client->InitBackup("45001.BFE", "T", "45001.bfl", 1, 6000, "M", {}, ""));
  TFileStream archive(path, fmOpenRead);
  client->OnBackup = [](TBkServer*, int64_t, int64_t, int&, bool&) {};
  EXPECT_EQ(client->SendFile(archive, 4096), 5000);
  EXPECT_FALSE(client->EndBackup(Now()));
  EXPECT_TRUE(Images(*client).empty());
  // More bytes than announced are refused outright.
  ASSERT_TRUE(client->InitBackup("45001.BFE", "T", "45001.bfl", 1, 100, "M2", {}, ""));
  archive.SetPosition(0);
  EXPECT_EQ(client->SendFile(archive, 4096), 0);
}

TEST_F(BackupServer, ResumeAfterTheConnectionWasCutAtSeveralOffsets) {
  const std::string path = WriteArchive(FFiles, "45002_5.BFE", 50000);
  for (const int64_t cut : {1, 4096, 4097, 33333}) {
    auto client = Client();
    TFileStream archive(path, fmOpenRead);
    ASSERT_TRUE(client->InitBackup("45002_5.BFE", "T", "45002_5.bfl", 1, 50000, "M", {}, ""));
    const int32_t held = client->RemoteSize();
    EXPECT_LE(held, cut);
    archive.SetPosition(held);
    client->OnBackup = [&](TBkServer*, int64_t, int64_t position, int& chunk, bool& cont) {
      chunk = static_cast<int>(std::min<int64_t>(4096, cut - position));
      cont = position < cut;
    };
    if (held < cut) {
      const int first = static_cast<int>(std::min<int64_t>(4096, cut - held));
      EXPECT_EQ(client->SendFile(archive, first), cut - held);
    }
    client->SetActive(false);  // the line drops
  }
  auto client = Client();
  EXPECT_TRUE(Upload(*client, path));
  EXPECT_EQ(Download(*client, "45002_5.BFE"), ReadBytes(path));
}

TEST_F(BackupServer, ACutUploadIsResumedByTheNextConnectionAtOnce) {
  const std::string path = WriteArchive(FFiles, "45003.BFE", 20000);
  auto first = Client();
  ASSERT_TRUE(first->InitBackup("45003.BFE", "T", "45003.bfl", 1, 20000, "M", {}, ""));
  TFileStream archive(path, fmOpenRead);
  first->OnBackup = [](TBkServer*, int64_t, int64_t, int&, bool& cont) { cont = false; };
  EXPECT_EQ(first->SendFile(archive, 4096), 4096);
  // The first connection is still open (a dead line the server has not noticed yet).
  auto second = Client();
  EXPECT_TRUE(Upload(*second, path));
  EXPECT_EQ(Download(*second, "45003.BFE"), ReadBytes(path));
}

TEST_F(BackupServer, DeleteIsAllOrNothing) {
  auto client = Client();
  ASSERT_TRUE(Upload(*client, WriteArchive(FFiles, "1_1.BFE", 3000)));
  ASSERT_TRUE(Upload(*client, WriteArchive(FFiles, "2_2.BFE", 4000)));
  EXPECT_FALSE(client->DeleteBackups({"1_1.BFE", "missing.BFE"}));
  EXPECT_EQ(Images(*client).size(), 2u);
  EXPECT_FALSE(client->DeleteBackups({}));
  EXPECT_TRUE(client->DeleteBackups({"1_1.BFE", "2_2.BFE"}));
  EXPECT_TRUE(Images(*client).empty());
  EXPECT_EQ(client->InitRestore("1_1.BFE", "", 0), protocol::kDownloadNotOnServer);
}

TEST_F(BackupServer, AvailableBackupsGiveOneImagePerCompleteBackupInOrder) {
  auto client = Client();
  EXPECT_EQ(client->AvailableBackups(), nullptr);
  const TBytes fileList = {0xDE, 0xAD, 0xBE, 0xEF, 0};
  ASSERT_TRUE(Upload(*client, WriteArchive(FFiles, "45010_5.BFE", 1234), "Full", fileList));
  ASSERT_TRUE(Upload(*client, WriteArchive(FFiles, "45011_75.BFE", 10), "Incr", {}, "45010.5"));
  ASSERT_TRUE(client->InitBackup("45012.BFE", "Partial", "45012.bfl", 1, 99, "M", {}, ""));
  const std::vector<TFields> images = Images(*client);
  ASSERT_EQ(images.size(), 2u);
  ASSERT_EQ(images[0].size(), 9u);
  EXPECT_EQ(Text(images[0][0]), "45010_5.BFE");
  EXPECT_EQ(Text(images[0][1]), "Full");
  EXPECT_EQ(Text(images[0][2]), "45010_5.bfl");
  EXPECT_EQ(ReadDouble(images[0][3].data()), 45010.5);
  EXPECT_EQ(ReadDouble(images[0][4].data()), 45000.25);
  EXPECT_EQ(ReadInt32(images[0][5].data()), 1234);
  EXPECT_EQ(Text(images[0][6]), "0123456789ABCDEF");
  EXPECT_EQ(Text(images[0][7]), "");
  EXPECT_EQ(images[0][8], fileList);
  EXPECT_EQ(Text(images[1][0]), "45011_75.BFE");
  EXPECT_EQ(ReadDouble(images[1][3].data()), 45011.75);
  EXPECT_EQ(Text(images[1][7]), "45010.5");
}

TEST_F(BackupServer, BackupsInStorageAnswerTwoUntilMovedBack) {
  auto client = Client();
  const std::string path = WriteArchive(FFiles, "45020.BFE", 2000);
  ASSERT_TRUE(Upload(*client, path));
  const int64_t ann = FServer->Accounts().IdOf("ann");
  ASSERT_TRUE(FServer->Backups().SetInStorage(ann, "45020.BFE", true));
  EXPECT_EQ(client->InitRestore("45020.BFE", "T", Date()), protocol::kDownloadInStorage);
  EXPECT_EQ(Images(*client).size(), 1u);  // still the account's backup
  ASSERT_TRUE(FServer->Backups().SetInStorage(ann, "45020.BFE", false));
  EXPECT_EQ(Download(*client, "45020.BFE"), ReadBytes(path));
  EXPECT_FALSE(FServer->Backups().SetInStorage(ann, "missing.BFE", true));
}

TEST_F(BackupServer, AnAccountSeesOnlyItsOwnBackups) {
  auto ann = Client();
  ASSERT_TRUE(Upload(*ann, WriteArchive(FFiles, "45030.BFE", 500)));
  auto bob = Client("bob", "bob-secret");
  EXPECT_EQ(bob->InitRestore("45030.BFE", "T", Date()), protocol::kDownloadNotOnServer);
  EXPECT_FALSE(bob->DeleteBackups({"45030.BFE"}));
  EXPECT_EQ(bob->AvailableBackups(), nullptr);
  // Bob's backup of the same name is his own.
  ASSERT_TRUE(Upload(*bob, WriteArchive(FFiles, "45030.BFE", 700)));
  EXPECT_EQ(Download(*ann, "45030.BFE").size(), 500u);
  EXPECT_EQ(Download(*bob, "45030.BFE").size(), 700u);
  EXPECT_EQ(Images(*ann).size(), 1u);
}

// Begin upload as a client that does not check its names would send it; the server's answer.
bool RawBeginUpload(TBkServer& client, const std::string& name, const std::string& list) {
  TDataInterleaveStream args;
  args.AddString(name);
  args.AddString("T");
  args.AddString(list);
  args.AddDouble(1);
  args.AddInt32(1);
  args.AddString("M");
  args.AddString("");
  args.AddString("");
  TBytes message = args.PackBytes();
  message.push_back(protocol::cmBeginUpload);
  TBytes head = {protocol::kAnnounce, 0, 0, 0, 0};
  WriteInt32(head.data() + 1, static_cast<int32_t>(message.size()));
  client.Socket().SendAll(head.data(), 5);
  uint8_t ack = 0;
  client.Socket().ReceiveExact(&ack, 1);
  client.Socket().SendAll(message.data(), static_cast<int64_t>(message.size()));
  uint8_t reply[9] = {};
  client.Socket().ReceiveExact(reply, sizeof reply);  // one item of one byte
  return reply[8] != 0;
}

TEST_F(BackupServer, NamesWithPathsOrOnlyDotsAreRefused) {
  auto client = Client();
  for (const std::string name :
       {"../x.BFE", "a/b.BFE", "..", "a\\b", "", "x\x01", ".", " . ", "...", "  "}) {
    EXPECT_FALSE(RawBeginUpload(*client, name, "l.bfl")) << name;
    EXPECT_FALSE(RawBeginUpload(*client, "x.BFE", name)) << name;
    // The client does not even send them.
    EXPECT_THROW(client->InitBackup(name, "T", "l.bfl", 1, 1, "M", {}, ""), EBkServerError);
    EXPECT_THROW(client->InitBackup("x.BFE", "T", name, 1, 1, "M", {}, ""), EBkServerError);
  }
  EXPECT_TRUE(RawBeginUpload(*client, "x.BFE", "l.bfl"));
  EXPECT_EQ(client->InitRestore("../metadata.db", "T", 0), protocol::kDownloadNotOnServer);
  EXPECT_FALSE(client->DeleteBackups({"../metadata.db"}));
  EXPECT_FALSE(client->DeleteBackups({"."}));
  EXPECT_TRUE(FileExists(FStorage / "metadata.db"));
}

TEST_F(BackupServer, AKilledServerKeepsEveryAcknowledgedByteAndFinishedUploads) {
  // Stopping the in-process server drops every connection mid-upload like a kill; a new
  // server over the same storage must know what was acknowledged.
  const std::string done = WriteArchive(FFiles, "45040.BFE", 9000);
  const std::string half = WriteArchive(FFiles, "45041.BFE", 30000);
  {
    auto client = Client();
    ASSERT_TRUE(Upload(*client, done));
    ASSERT_TRUE(
        client->InitBackup("45041.BFE", "T", "45041.bfl", 1, 30000, "0123456789ABCDEF", {}, ""));
    TFileStream archive(half, fmOpenRead);
    client->OnBackup = [](TBkServer*, int64_t, int64_t position, int&, bool& cont) {
      cont = position < 12288;
    };
    EXPECT_EQ(client->SendFile(archive, 4096), 12288);
    Stop();
  }
  Start();
  auto client = Client();
  EXPECT_EQ(Download(*client, "45040.BFE"), ReadBytes(done));
  ASSERT_TRUE(
      client->InitBackup("45041.BFE", "T", "45041.bfl", 1, 30000, "0123456789ABCDEF", {}, ""));
  EXPECT_LE(client->RemoteSize(), 12288);
  EXPECT_TRUE(Upload(*client, half));
  EXPECT_EQ(Download(*client, "45041.BFE"), ReadBytes(half));
}

}  // namespace
}  // namespace vaultora::test
