#pragma once
// The file object the image classes and their codecs read and write through:
// a plain POSIX file (CFile) or a block of memory (CMemFile). Paths are host
// paths; DOS names are translated by the caller. Nothing here throws: a
// failure is a short count or false.

#include <cstdint>
#include <string>
#include <vector>

namespace prentix {

class CFile {
 public:
  // Open flags, combinable like the framework's: modeCreate | modeWrite
  // creates or truncates.
  enum : unsigned {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    modeCreate = 0x1000,
  };

  CFile() = default;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  virtual ~CFile();

  // Closes a file still open, then opens `path`. False when it cannot be
  // opened (errno tells why).
  virtual bool Open(const std::string& path, unsigned flags);
  virtual void Close();
  virtual bool IsOpen() const { return fd_ >= 0; }

  // Reads up to n bytes; fewer only at the end of the file or on an error.
  virtual uint32_t Read(void* dst, uint32_t n);
  // Writes all n bytes; false when the file did not take them all.
  virtual bool Write(const void* src, uint32_t n);

  virtual uint64_t GetLength() const;
  virtual uint64_t GetPosition() const;
  // Moves to an absolute position; false when the file is not open.
  virtual bool Seek(uint64_t position);

  const std::string& GetFilePath() const { return path_; }

 protected:
  std::string path_;

 private:
  int fd_ = -1;
};

// A file held in memory: reads come from the bytes given, writes overwrite and
// extend them. It is always open; Open with a path is refused.
class CMemFile : public CFile {
 public:
  CMemFile() = default;
  CMemFile(const void* data, size_t size);

  bool Open(const std::string& path, unsigned flags) override;
  void Close() override {}
  bool IsOpen() const override { return true; }
  uint32_t Read(void* dst, uint32_t n) override;
  bool Write(const void* src, uint32_t n) override;
  uint64_t GetLength() const override { return data_.size(); }
  uint64_t GetPosition() const override { return pos_; }
  bool Seek(uint64_t position) override;

  const std::vector<uint8_t>& Data() const { return data_; }

 private:
  std::vector<uint8_t> data_;
  size_t pos_ = 0;
};

}  // namespace prentix
