#pragma once
// Deflates archive blocks on a pool of worker threads and hands them back in the order they
// were submitted, so the archive is byte for byte the one a single thread writes: every block
// is a zlib stream of its own and its bytes do not depend on which thread made them.
//
// One thread (the writer) submits and takes blocks; the workers only deflate. A fixed ring of
// slots bounds the memory: kSlotsPerWorker blocks in flight per worker, each slot holding one
// block in and one out. With one thread no worker is started and Submit deflates at once.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/block_codec.h"

namespace vaultora {

// A block as it goes into the archive.
struct TPackedBlock {
  const uint8_t* Data = nullptr;  // the block's bytes (Size of them)
  int Size = 0;
  const uint8_t* Packed = nullptr;  // its zlib stream (PackedSize bytes)
  // > 0: deflated; 0: does not fit into one block and is stored as it is; < 0: a zlib error.
  int PackedSize = 0;
};

class TBlockPipeline {
 public:
  // 16 blocks of 16 KB in and out: 512 KB a worker. The writer enciphers what it writes in
  // bursts of its 256 KB buffer; the workers keep deflating through such a burst.
  static constexpr int kSlotsPerWorker = 16;

  // threads below 1 count as 1.
  TBlockPipeline(int zlibLevel, int threads);
  ~TBlockPipeline();
  TBlockPipeline(const TBlockPipeline&) = delete;
  TBlockPipeline& operator=(const TBlockPipeline&) = delete;

  int Threads() const { return FThreads; }

  // True when a slot is free for the next block.
  bool CanSubmit() const { return FTail - FHead < FSlots.size(); }
  // The free slot's buffer of kBlockSize bytes; only while CanSubmit().
  uint8_t* InputBuffer();
  // Hands the first size bytes of InputBuffer() to be deflated.
  void Submit(int size);

  bool Empty() const { return FHead == FTail; }
  // The oldest block submitted and not yet taken, waiting until it is deflated. Valid until
  // PopFront.
  TPackedBlock Front();
  void PopFront();

 private:
  struct TSlot {
    std::vector<uint8_t> In;
    std::vector<uint8_t> Out;
    int Size = 0;
    int PackedSize = 0;
    bool Done = false;
  };
  void Deflate(TBlockDeflater& deflater, TSlot& slot);
  void Work();

  const int FThreads;
  const int FLevel;
  std::vector<TSlot> FSlots;
  // Sequence numbers: [FHead, FTail) submitted and not taken, [FClaimed, FTail) not yet claimed
  // by a worker. The writer alone moves FHead and FTail; FClaimed and Done change under FMutex.
  uint64_t FHead = 0;
  uint64_t FTail = 0;
  uint64_t FClaimed = 0;
  bool FStopping = false;
  std::mutex FMutex;
  std::condition_variable FWork;            // a block to claim, or stop
  std::condition_variable FDone;            // a block deflated
  std::unique_ptr<TBlockDeflater> FInline;  // one thread: the writer's own deflater
  std::vector<std::thread> FWorkers;
};

}  // namespace vaultora
