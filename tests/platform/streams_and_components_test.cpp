#include <gtest/gtest.h>

#include "platform/component.h"
#include "platform/folders.h"
#include "platform/streams.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

TEST(Streams, MemoryStreamGrowsAndSeeks) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  EXPECT_EQ(m.Size(), 5);
  m.SetPosition(1);
  char two[2];
  m.ReadBuffer(two, 2);
  EXPECT_EQ(std::string(two, 2), "el");
  m.Seek(10, TSeekOrigin::soBeginning);
  m.WriteBuffer("!", 1);
  EXPECT_EQ(m.Size(), 11);
  char rest[8];
  m.SetPosition(9);
  EXPECT_THROW(m.ReadBuffer(rest, 8), EReadError);
}

TEST(Streams, FileStreamReportsOpenFailuresWithTheName) {
  test::TTempFolder dir;
  try {
    TFileStream missing(dir / "missing.bin", fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.bin"), std::string::npos);
  }
  {
    TFileStream f(dir / "a.bin", fmCreate);
    f.WriteBuffer("abcdef", 6);
    f.SetSize(3);
    EXPECT_EQ(f.Size(), 3);
  }
  TMemoryStream m;
  m.LoadFromFile(dir / "a.bin");
  EXPECT_EQ(m.AsString(), "abc");
  EXPECT_EQ(FileSizeOf(dir / "a.bin"), 3);
}

struct TProbe : TComponent {
  explicit TProbe(TComponent* owner, int* freed) : TComponent(owner), FFreed(freed) {}
  ~TProbe() override { ++*FFreed; }
  void Ping() { Fire(OnPing, 1); }
  std::function<void(int)> OnPing;
  int* FFreed;
};

struct TOther : TComponent {
  using TComponent::TComponent;
};

TEST(Components, OwnerFreesOwnedAndEventsRespectState) {
  int freed = 0;
  auto* owner = new TComponent();
  new TOther(owner);
  auto* probe = new TProbe(owner, &freed);
  EXPECT_EQ(owner->FindComponentOfClass<TProbe>(), probe);
  int calls = 0;
  probe->OnPing = [&](int) { ++calls; };
  probe->Ping();
  probe->BeginLoading();
  probe->Ping();
  probe->EndLoading();
  probe->Ping();
  EXPECT_EQ(calls, 2);
  delete owner;
  EXPECT_EQ(freed, 1);
}

TEST(Components, FreeingAComponentRemovesItFromItsOwner) {
  int freed = 0;
  TComponent owner;
  auto* probe = new TProbe(&owner, &freed);
  delete probe;
  EXPECT_TRUE(owner.Components().empty());
}

}  // namespace
}  // namespace vaultora
