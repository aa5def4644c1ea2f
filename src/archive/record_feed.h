#pragma once
// The reading side of the archive writer: opens the files to store in order and submits their
// blocks to the block pipeline ahead of the writer, across file boundaries, so that the workers
// stay busy while the writer writes. What it found comes out as a queue of items in archive
// order; each kBlock item stands for the pipeline's next block. At most one file is open at a
// time and the queue holds a bounded number of items.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "platform/file_attributes.h"
#include "platform/streams.h"
#include "platform/text.h"

namespace vaultora {

class TBlockPipeline;

struct TFeedItem {
  enum TKind {
    kMissing,     // the file no longer exists
    kUnreadable,  // it cannot be opened or its times read
    kRecord,      // its record starts (Age and Stamp are set)
    kBlock,       // its next block is the pipeline's next one
    kReadFailed,  // reading it failed part-way; no more blocks of it follow
    kEnd,         // all of its bytes were submitted
  };
  TKind Kind;
  size_t Index;  // of the file in the list
  int32_t Age = 0;
  TFileStamp Stamp;
};

class TRecordFeed {
 public:
  TRecordFeed(const TStringList& files, TBlockPipeline& pipeline);
  ~TRecordFeed();

  // Reads on until the pipeline has no free slot, the queue is full or every file is queued.
  void Fill();
  bool Empty() const { return FItems.empty(); }
  const TFeedItem& Front() const { return FItems.front(); }
  void Pop() { FItems.pop_front(); }

 private:
  void OpenNext();

  const TStringList& FFiles;
  TBlockPipeline& FPipeline;
  std::deque<TFeedItem> FItems;
  size_t FNext = 0;                      // the next file to open
  std::unique_ptr<TFileStream> FSource;  // the file whose blocks are being submitted
  size_t FSourceIndex = 0;
  int64_t FRemaining = 0;
};

}  // namespace vaultora
