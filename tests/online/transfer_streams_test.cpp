#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "online/bit_data_array.h"
#include "online/data_interleave_stream.h"

namespace vaultora {
namespace {

using TBytes = std::vector<uint8_t>;

TBytes Packed(const std::vector<std::string>& items) {
  TDataInterleaveStream container;
  for (const std::string& item : items)
    container.AddString(item);
  return container.PackBytes();
}

std::vector<std::string> Unpacked(const TBytes& bytes) {
  TDataInterleaveStream container;
  container.UnpackBytes(bytes.data(), static_cast<int64_t>(bytes.size()));
  std::vector<std::string> items;
  for (int i = 0; i < container.Count(); ++i)
    items.push_back(container.GetItemAsString(i));
  return items;
}

std::string ErrorOf(const TBytes& bytes) {
  try {
    Unpacked(bytes);
  } catch (const ETransferStreamError& e) {
    return e.what();
  }
  return "";
}

TEST(BitDataArray, BitsAreNumberedFromTheMostSignificant) {
  TBitDataArray bits;
  bits.SetBitCount(12);
  EXPECT_EQ(bits.ByteCount(), 2);
  bits.SetBit(0, true);
  bits.SetBit(9, true);
  EXPECT_EQ(bits.Bytes(), (TBytes{0x80, 0x40}));
  EXPECT_TRUE(bits.GetBit(9));
  bits.SetBit(9, false);
  EXPECT_FALSE(bits.GetBit(9));
  bits.SetBitCount(24);  // keeps the old bytes, new ones zero
  EXPECT_EQ(bits.Bytes(), (TBytes{0x80, 0x00, 0x00}));
}

TEST(BitDataArray, IndexAndStreamErrorsCarryTheirTexts) {
  TBitDataArray bits;
  EXPECT_THROW(
      {
        try {
          bits.GetBit(0);  // no buffer
        } catch (const ETransferStreamError& e) {
          EXPECT_STREQ(e.what(), "Bit Index out of Bounds");
          throw;
        }
      },
      ETransferStreamError);
  bits.SetBitCount(8);
  EXPECT_THROW(bits.SetBit(8, true), ETransferStreamError);
  EXPECT_THROW(bits.GetBit(-1), ETransferStreamError);
  EXPECT_THROW(bits.SetBitCount(-1), ETransferStreamError);
  try {
    bits.LoadFromStream(nullptr);
    ADD_FAILURE();
  } catch (const ETransferStreamError& e) {
    EXPECT_STREQ(e.what(), "Nil Data Stream");
  }
}

TEST(BitDataArray, StreamsAndIntegers) {
  TMemoryStream source(TBytes{1, 2, 3, 4});
  source.SetPosition(1);
  TBitDataArray bits;
  bits.LoadFromStream(&source);
  EXPECT_EQ(bits.Bytes(), (TBytes{2, 3, 4}));
  source.SetPosition(3);
  bits.AppendFromStream(&source);
  EXPECT_EQ(bits.AsString(), std::string("\x02\x03\x04\x04"));
  bits.SetFromInt32(1000);
  EXPECT_EQ(bits.BitCount(), 32);
  EXPECT_EQ(bits.Bytes(), (TBytes{0xE8, 0x03, 0, 0}));
  TMemoryStream out;
  bits.WriteToStream(&out);
  EXPECT_EQ(out.Bytes(), bits.Bytes());
}

TEST(DataInterleaveStream, WorkedExamples) {
  EXPECT_EQ(Packed({"abc"}), (TBytes{1, 0, 0, 0, 3, 0, 0, 0, 0x61, 0x62, 0x63}));
  EXPECT_EQ(Packed({"AB", "C"}),
            (TBytes{2, 0, 0, 0, 0x00, 0x09, 0, 0, 0, 0, 0, 0, 0x30, 0x07, 0x20, 0x08}));
  EXPECT_EQ(Unpacked(Packed({"AB", "C"})), (std::vector<std::string>{"AB", "C"}));
}

TEST(DataInterleaveStream, RoundTripsKeepEveryItemsOwnLength) {
  const std::vector<std::vector<std::string>> cases = {
      {""},
      {"", ""},
      {"x", "", "a longer item with \x00 bytes and \xff"},
      {std::string(300, '\xA5'), "1", std::string(17, '\0'), ""},
      {std::string(70000, 'z')},
  };
  for (const auto& items : cases)
    EXPECT_EQ(Unpacked(Packed(items)), items);
}

TEST(DataInterleaveStream, ItemsOfEveryKind) {
  TDataInterleaveStream container;
  const TBytes raw = {9, 8, 7};
  container.AddVariantArray(raw);
  container.AddInt32(-2);
  container.AddDouble(45000.5);
  TMemoryStream stream(TBytes{5, 6});
  EXPECT_EQ(container.AddStream(&stream), 2);
  std::unique_ptr<TMemoryStream> packed = container.Pack();
  EXPECT_EQ(packed->Position(), packed->Size());
  TDataInterleaveStream back;
  back.Unpack(packed.get());
  ASSERT_EQ(back.Count(), 4);
  EXPECT_EQ(back.Item(0), raw);
  EXPECT_EQ(back.Item(1), (TBytes{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(back.Item(2).size(), 8u);
  TMemoryStream out;
  back.GetItemToStream(3, &out);
  EXPECT_EQ(out.Bytes(), (TBytes{5, 6}));
  EXPECT_THROW(back.GetItemAsString(4), ETransferStreamError);
  EXPECT_THROW(back.GetItemAsString(-1), ETransferStreamError);
  back.Clear();
  EXPECT_EQ(back.Count(), 0);
}

TEST(DataInterleaveStream, EmptyContainerAndMissingStreamsAreRefused) {
  TDataInterleaveStream container;
  try {
    container.Pack();
    ADD_FAILURE();
  } catch (const ETransferStreamError& e) {
    EXPECT_STREQ(e.what(), "Nil Stream or No Items Added");
  }
  try {
    container.Unpack(nullptr);
    ADD_FAILURE();
  } catch (const ETransferStreamError& e) {
    EXPECT_STREQ(e.what(), "Nil Stream");
  }
}

TEST(DataInterleaveStream, HostileSerialFormsAreRejected) {
  // N = 0, N beyond the data, a length beyond the data, a block shorter than announced,
  // trailing bytes, and every truncation of a good form.
  EXPECT_NE(ErrorOf({0, 0, 0, 0}), "");
  EXPECT_NE(ErrorOf({}), "");
  EXPECT_NE(ErrorOf({0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4}), "");
  EXPECT_NE(ErrorOf({1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}), "");
  EXPECT_NE(ErrorOf({1, 0, 0, 0, 4, 0, 0, 0, 'a', 'b'}), "");
  EXPECT_NE(ErrorOf({1, 0, 0, 0, 1, 0, 0, 0, 'a', 'b'}), "");
  const TBytes good = Packed({"AB", "C", "DEF"});
  for (size_t cut = 0; cut < good.size(); ++cut)
    EXPECT_NE(ErrorOf(TBytes(good.begin(), good.begin() + static_cast<long>(cut))), "") << cut;
  EXPECT_EQ(ErrorOf(good), "");
}

TEST(DataInterleaveStream, SerialSizeIsKnownOnceTheHeaderArrived) {
  const TBytes good = Packed({"AB", "C", "DEF"});
  EXPECT_EQ(TDataInterleaveStream::SerialSize(good.data(), 3), -1);
  EXPECT_EQ(TDataInterleaveStream::SerialSize(good.data(), 4 + 4 * 3 - 1), -1);
  EXPECT_EQ(TDataInterleaveStream::SerialSize(good.data(), 4 + 4 * 3),
            static_cast<int64_t>(good.size()));
  const TBytes none = {0, 0, 0, 0};
  EXPECT_THROW(TDataInterleaveStream::SerialSize(none.data(), 4), ETransferStreamError);
}

}  // namespace
}  // namespace vaultora
