// The input buffer under which a library file is read. The member reader seeks
// to every part of every image; a plain file buffer drops its contents at each
// seek and reads again. This one keeps a window of the file and serves every
// seek that lands inside it from memory, so that reading a library of small
// members takes a few large reads. The COFF and COD readers read a file that
// they take in parts through it too, for its open: without waiting, and only a
// regular file.
#ifndef ZV_COMMON_ARCHIVEREADBUF_H
#define ZV_COMMON_ARCHIVEREADBUF_H

#include <cstdint>
#include <streambuf>
#include <string>
#include <vector>

class ArchiveReadBuf : public std::streambuf {
 public:
  ArchiveReadBuf();
  ~ArchiveReadBuf() override;
  ArchiveReadBuf(const ArchiveReadBuf&) = delete;
  ArchiveReadBuf& operator=(const ArchiveReadBuf&) = delete;

  // Opens the file for reading without waiting (see InputFile); false when it
  // cannot be opened or is no regular file. `path` is handed to the system as
  // it stands.
  bool open(const std::string& path);
  void close();

  // The file's length in bytes when it was opened.
  uint64_t fileSize() const { return cFileSize; }

 protected:
  int_type underflow() override;
  pos_type seekoff(off_type off, std::ios_base::seekdir dir,
                   std::ios_base::openmode which) override;
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;

 private:
  uint64_t position() const;  // of the next byte to be read
  void load(uint64_t from);   // fills the window from that file position
  bool moveInsideWindow(uint64_t t);

  int cFd = -1;
  uint64_t cFileSize = 0;
  uint64_t cWindowStart = 0;  // file position of eback()
  uint64_t cPending = 0;      // read position after a seek outside the window
  bool cHasPending = false;
  // The get area views it: made once, never resized, and the buffer is neither
  // copied nor moved. Saves a read per seek; guarded by bench/quandel_bench.sh.
  std::vector<char> cWindow;
};

#endif
