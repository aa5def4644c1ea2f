#include "archive/record_feed.h"

#include <algorithm>

#include "archive/archive_format.h"
#include "archive/block_pipeline.h"
#include "platform/file_attributes.h"
#include "platform/folders.h"

namespace vaultora {

namespace {
// Enough items to reach past a run of small or empty files while the pipeline is full.
constexpr size_t kMaxItems = 256;

TFeedItem Item(TFeedItem::TKind kind, size_t index) {
  TFeedItem item{kind, index, 0, {}};
  return item;
}
}  // namespace

TRecordFeed::TRecordFeed(const TStringList& files, TBlockPipeline& pipeline)
    : FFiles(files), FPipeline(pipeline) {}

TRecordFeed::~TRecordFeed() = default;

void TRecordFeed::OpenNext() {
  const size_t index = FNext++;
  const std::string& path = FFiles[index];
  TFeedItem record = Item(TFeedItem::kRecord, index);
  if (FolderLinkStamp(path, record.Stamp, record.Age)) {  // a record without data
    FItems.push_back(record);
    FItems.push_back(Item(TFeedItem::kEnd, index));
    return;
  }
  if (!FileExists(path)) {
    FItems.push_back(Item(TFeedItem::kMissing, index));
    return;
  }
  std::unique_ptr<TFileStream> source;
  try {
    source = std::make_unique<TFileStream>(path, fmOpenRead);
  } catch (const EStreamError&) {
  }
  if (!source || !FileStampOf(source->Handle(), record.Stamp)) {
    FItems.push_back(Item(TFeedItem::kUnreadable, index));
    return;
  }
  record.Age = FileAge(source->Handle());
  FItems.push_back(record);
  if (record.Stamp.Size == 0) {
    FItems.push_back(Item(TFeedItem::kEnd, index));
    return;
  }
  FSource = std::move(source);
  FSourceIndex = index;
  FRemaining = record.Stamp.Size;
}

void TRecordFeed::Fill() {
  while (FItems.size() < kMaxItems) {
    if (!FSource) {
      if (FNext == FFiles.size()) return;
      OpenNext();
      continue;
    }
    if (!FPipeline.CanSubmit()) return;
    const int size = static_cast<int>(std::min<int64_t>(archive_format::kBlockSize, FRemaining));
    if (FSource->Read(FPipeline.InputBuffer(), size) != size) {
      FItems.push_back(Item(TFeedItem::kReadFailed, FSourceIndex));
      FSource.reset();
      continue;
    }
    FPipeline.Submit(size);
    FItems.push_back(Item(TFeedItem::kBlock, FSourceIndex));
    FRemaining -= size;
    if (FRemaining == 0) {
      FItems.push_back(Item(TFeedItem::kEnd, FSourceIndex));
      FSource.reset();
    }
  }
}

}  // namespace vaultora
