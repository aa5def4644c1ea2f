#pragma once
// The backup server's wire protocol: command codes, framing bytes and the limits both sides
// hold to. docs/protocol.md describes the layout; every constant of it lives here.

#include <cstdint>

namespace vaultora::protocol {

// Command bytes. A request message is a serialised container of the arguments followed by the
// command byte; commands 4 and 11 are the byte alone, command 7 is a 32-bit start and the byte.
enum TCommand : uint8_t {
  cmLogon = 1,
  cmBeginUpload = 2,
  cmUploadData = 3,
  cmRemoteSize = 4,
  cmEndUpload = 5,
  cmBeginDownload = 6,
  cmDownloadData = 7,
  cmReceiveBufferSize = 8,
  cmEndDownload = 9,
  cmDeleteBackups = 10,
  cmAvailableBackups = 11,
};

// The size announcement: this byte and the message length as int32; the server echoes the byte.
inline constexpr uint8_t kAnnounce = 0x64;  // "d"
// The server's answer to upload data when its disk cannot take the bytes (any answer other than
// the command's own byte is a refusal, so a client that does not know it still stops).
inline constexpr uint8_t kUploadNoSpace = 0x4E;  // "N"

// Answers of begin download.
inline constexpr int32_t kDownloadNotOnServer = -1;
inline constexpr int32_t kDownloadReady = 1;
inline constexpr int32_t kDownloadInStorage = 2;

// Archive sizes and positions travel as int32: an archive must stay below 2^31 bytes.
inline constexpr int64_t kMaxArchiveSize = 0x7FFFFFFF;

// Reads the client makes of a reply container: short replies, the logon ticket.
inline constexpr int kReplyLimit = 16;
inline constexpr int kLogonReplyLimit = 64;
// The client's receive buffer and the largest upload chunk.
inline constexpr int kTransferBufferSize = 4096;
// The largest available-backups image the client accepts.
inline constexpr int64_t kMaxAvailableBackupsReply = 256LL * 1024 * 1024;
// The largest logon envelope (an account record of at most 2048 bytes, a key and a MAC,
// interleaved and enciphered), and the largest message the server takes before a logon: the
// logon's container of the envelope and the time code, and the command byte.
inline constexpr int64_t kMaxLogonEnvelope = 16 * 1024;
inline constexpr int64_t kMaxLogonMessage = 4 + 2 * 4 + 2 * kMaxLogonEnvelope + 1;
// The largest request message the server accepts by default (begin upload carries a whole
// enciphered file list, padded eightfold by the container).
inline constexpr int64_t kDefaultMaxMessage = 16LL * 1024 * 1024;

}  // namespace vaultora::protocol
