#include "archive/block_pipeline.h"

#include <algorithm>

#include "archive/archive_format.h"

namespace vaultora {

using archive_format::kBlockSize;

TBlockPipeline::TBlockPipeline(int zlibLevel, int threads)
    : FThreads(std::max(1, threads)), FLevel(zlibLevel) {
  FSlots.resize(FThreads == 1 ? 1 : static_cast<size_t>(FThreads) * kSlotsPerWorker);
  for (TSlot& slot : FSlots) {
    slot.In.resize(kBlockSize);
    slot.Out.resize(kBlockSize);
  }
  if (FThreads == 1) {
    FInline = std::make_unique<TBlockDeflater>(FLevel);
    return;
  }
  FWorkers.reserve(static_cast<size_t>(FThreads));
  for (int i = 0; i < FThreads; ++i)
    FWorkers.emplace_back([this] { Work(); });
}

TBlockPipeline::~TBlockPipeline() {
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FStopping = true;
  }
  FWork.notify_all();
  for (std::thread& worker : FWorkers)
    worker.join();
}

uint8_t* TBlockPipeline::InputBuffer() {
  return FSlots[FTail % FSlots.size()].In.data();
}

void TBlockPipeline::Deflate(TBlockDeflater& deflater, TSlot& slot) {
  slot.PackedSize = deflater.Compress(slot.In.data(), slot.Size, slot.Out.data(), kBlockSize);
}

void TBlockPipeline::Submit(int size) {
  TSlot& slot = FSlots[FTail % FSlots.size()];
  slot.Size = size;
  if (FInline) {
    Deflate(*FInline, slot);
    slot.Done = true;
    ++FTail;
    FClaimed = FTail;
    return;
  }
  {
    std::lock_guard<std::mutex> lock(FMutex);
    slot.Done = false;
    ++FTail;
  }
  FWork.notify_one();
}

TPackedBlock TBlockPipeline::Front() {
  TSlot& slot = FSlots[FHead % FSlots.size()];
  if (!FInline) {
    std::unique_lock<std::mutex> lock(FMutex);
    FDone.wait(lock, [&] { return slot.Done; });
  }
  return {slot.In.data(), slot.Size, slot.Out.data(), slot.PackedSize};
}

void TBlockPipeline::PopFront() {
  ++FHead;
}

void TBlockPipeline::Work() {
  TBlockDeflater deflater(FLevel);
  std::unique_lock<std::mutex> lock(FMutex);
  for (;;) {
    FWork.wait(lock, [this] { return FStopping || FClaimed < FTail; });
    if (FStopping) return;
    TSlot& slot = FSlots[FClaimed++ % FSlots.size()];
    lock.unlock();
    Deflate(deflater, slot);
    lock.lock();
    slot.Done = true;
    FDone.notify_one();
  }
}

}  // namespace vaultora
