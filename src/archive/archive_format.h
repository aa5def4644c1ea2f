#pragma once
// The constants of the backup archive format (docs/archive_format.md): one header, file records
// whose data is cut into 16 KB blocks deflated one by one, and an end word. All integers are
// 32-bit signed little-endian; strings are preceded by their byte length.

#include <cstdint>
#include <string>
#include <string_view>

namespace vaultora::archive_format {

// Every block holds the next kBlockSize bytes of a file; a block's data is never longer.
constexpr int32_t kBlockSize = 16384;

// Block run markers: 3 letters and a zero byte.
constexpr char kRunMarker[4] = {'E', 'C', '2', '\0'};
constexpr char kLegacyRunMarker[4] = {'E', 'C', 'S', '\0'};  // read, never written
constexpr int32_t kMarkerSize = 4;

// zlib parameters of every block: a fresh stream in zlib format.
constexpr int kZlibWindowBits = 15;
constexpr int kZlibMemLevel = 8;

// The record that holds the embedded file-ID list, and the separators of its lines
// ("<path>\t<dos date>=<size>\r\n").
constexpr std::string_view kFileListName = "FILE:LIST";
constexpr char kFileIdDateSeparator = '\t';
constexpr char kFileIdSizeSeparator = '=';
constexpr std::string_view kLineBreak = "\r\n";

// Volumes: a run stops once the volume holds kVolumeMargin bytes less than the limit (one
// stored block, the end word and the continuation record). The continuation record is a
// record name "NEXT:DISK" + three digits; the next volume has the extension "." + the digits.
constexpr int32_t kVolumeMargin = 16484;
constexpr std::string_view kContinuationPrefix = "NEXT:DISK";
constexpr int32_t kContinuationLength = 12;
constexpr int kMaxVolumes = 999;

// A merged restore archive.
constexpr std::string_view kMergedTitle = "Incremental Restore";
constexpr int32_t kMergedTotalSize = 1;
constexpr std::string_view kMergeListFileName = "AppendRestore.tfl";

// Legacy LZRW1-KH blocks: flag byte, then stored bytes or items; at most this much per block.
constexpr uint8_t kLegacyStoredFlag = 128;
constexpr int32_t kLegacyMaxBlock = 32768;

// "NEXT:DISK002" for volume 2.
std::string ContinuationName(int volume);
// The file of volume n (n >= 2): the archive's name with its extension replaced by ".00n".
std::string VolumeFileName(const std::string& archiveName, int volume);

}  // namespace vaultora::archive_format
