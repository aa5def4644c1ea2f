#pragma once
// Byte streams with a position and a size: memory and file. Every reader of archives, ciphers,
// containers and binary settings works through these. Not safe for concurrent use.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vaultora {

class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class EReadError : public EStreamError {  // "Stream read error"
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {  // "Stream write error"
 public:
  using EStreamError::EStreamError;
};
// A write the file system refused, said in words with the file ("No space left on device: ...").
class EFileWriteError : public EWriteError {
 public:
  using EWriteError::EWriteError;
};

// "<the system's message>: cannot <action> \"<file>\"" for errno error; "" for 0.
std::string FileErrorText(int error, const std::string& action, const std::string& file);
class EFOpenError : public EStreamError {  // "Cannot open file \"%s\". %s"
 public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {  // "Cannot create file \"%s\". %s"
 public:
  using EStreamError::EStreamError;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual void SetSize(int64_t size) = 0;
  virtual int64_t Size();

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

  // Whole reads and writes: raise EReadError / EWriteError when the stream falls short.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes from source's position (count 0: all of source from its start).
  int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : FData(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }

  uint8_t* Memory() { return FData.data(); }
  const std::vector<uint8_t>& Bytes() const { return FData; }
  std::string AsString() const { return std::string(FData.begin(), FData.end()); }
  void Clear();
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path);

 private:
  std::vector<uint8_t> FData;
  int64_t FPosition = 0;
};

enum TFileMode : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmCreate = 0xFF00,  // create or truncate, read and write
};

class TFileStream : public TStream {
 public:
  TFileStream(const std::string& path, unsigned mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  int64_t Size() override;

  const std::string& FileName() const { return FFileName; }
  int Handle() const { return FHandle; }
  // The system error (errno) of the last read or write that failed; 0 when none did.
  int LastError() const { return FLastError; }
  // Forces written data to the disk (fsync).
  void Flush();

 private:
  std::string FFileName;
  int FHandle = -1;
  int FLastError = 0;
};

}  // namespace vaultora
