#pragma once
// How many processors this process may run on.

namespace vaultora {

// The processors in this process's affinity mask (at least 1): a container or taskset limit
// counts, the machine's other processors do not.
int ProcessorCount();

// The number of worker threads for a setting where 0 means "all processors": the setting itself
// when it is positive and no larger than ProcessorCount(), else ProcessorCount().
int WorkerThreads(int setting);

}  // namespace vaultora
