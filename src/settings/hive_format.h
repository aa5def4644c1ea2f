#pragma once
// Constants of the settings hive file (docs/settings_store.md) and of the values it holds.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vaultora {

// Registry data types, numbered as the Windows registry numbers them.
enum TRegDataType : int {
  rdString = 1,  // REG_SZ
  rdBinary = 3,  // REG_BINARY
  rdDword = 4,   // REG_DWORD
};

// A value as the hive holds it.
struct TRegistryValue {
  TRegDataType Type = rdString;
  std::string Bytes;   // rdString and rdBinary
  uint32_t Dword = 0;  // rdDword
};
// A key's values by name, in creation order.
using TNamedValues = std::vector<std::pair<std::string, TRegistryValue>>;

// PRAGMA application_id of a settings hive ("VLTR"), and its schema version (user_version).
inline constexpr int32_t kHiveApplicationId = 0x564C5452;
inline constexpr int32_t kHiveSchemaVersion = 1;

// How long a change waits for another writer of the same file.
inline constexpr int kBusyTimeoutMs = 5000;

// The largest binary value the store writes or reads.
inline constexpr int64_t kMaxBinaryValueSize = 2048;

}  // namespace vaultora
