// File and folder helpers: path parts, whole-file reads and writes, wildcard matching and
// expansion, and a binary file stream. Nothing here throws: a failure is a false, -1 or empty
// result. Paths are byte strings with "/" as the delimiter.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

#include "Component.h"

namespace qel {

inline constexpr char PathDelim = '/';

/// True when FileName names an existing file (following links) that is not a folder.
bool FileExists(const std::string& FileName);
bool DirectoryExists(const std::string& DirName);

/// The folder part with its trailing "/" ("" when FileName has no folder part).
std::string ExtractFilePath(const std::string& FileName);
/// The part after the last "/".
std::string ExtractFileName(const std::string& FileName);
/// The extension of the file name part, with its dot ("" when there is none).
std::string ExtractFileExt(const std::string& FileName);
/// FileName with its extension replaced by Extension (which includes the dot, or is empty).
std::string ChangeFileExt(const std::string& FileName, const std::string& Extension);
/// Path with a trailing "/". An empty path (the current folder) stays empty, so that a file
/// name appended to it stays relative instead of turning into a name under the root.
std::string IncludeTrailingPathDelimiter(const std::string& Path);

/// Reads the whole file as bytes into Data; false (Data unchanged) when it cannot be read.
bool ReadFileToString(const std::string& FileName, std::string& Data);
/// The same, with the system's reason in Error when the file cannot be read: no such file, a
/// folder (is_a_directory), no permission ...
bool ReadFileToString(const std::string& FileName, std::string& Data, std::error_code& Error);
/// Creates or truncates the file and writes Data; false when any part fails.
bool WriteStringToFile(const std::string& FileName, const std::string& Data);
/// The folder temporary files go to: TMPDIR when it is set and not empty, else /tmp.
std::string TemporaryFolder();
/// Creates a new file for reading and writing in Folder (TemporaryFolder() when empty) named
/// Prefix followed by a tail no other file has, and opens it. With Name, the file stays and
/// Name takes its path; without, it has no name from the start and goes when it is closed.
/// nullptr when it cannot be created.
std::FILE* OpenTemporaryFile(const std::string& Prefix, const std::string& Folder = "",
                             std::string* Name = nullptr);
/// Size in bytes, or -1 when the file cannot be examined.
std::int64_t FileSize(const std::string& FileName);

/// Matches Name against Mask, where "*" stands for any run of characters and "?" for one
/// character (one UTF-8 sequence). Case-sensitive, as file names are on this system.
bool MatchesMask(const std::string& Name, const std::string& Mask);
/// Expands "*" and "?" in the last component of DirAndMask within that one folder. Returns the
/// folder part as given followed by each matching entry's name, folders excluded, sorted by
/// bytes. A name without wildcards gives itself when the file exists. No match gives none.
std::vector<std::string> FindFiles(const std::string& DirAndMask);

/// How TFileStream opens its file.
enum TFileMode : std::uint8_t {
  fmOpenRead,  ///< an existing file, read only
  fmCreate,    ///< create or truncate, read and write
  fmAppend     ///< open or create keeping the content, read and write, positioned at the end
};

enum TSeekOrigin : std::uint8_t { soBeginning, soCurrent, soEnd };

/// A binary file stream. Every operation reports failure by its result (false or -1); the
/// file is closed when the stream is destroyed.
class TFileStream : public TObject {
 public:
  TFileStream() = default;
  /// Opens at once; check IsOpen().
  TFileStream(const std::string& FileName, TFileMode Mode);
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  TFileStream(TFileStream&& Other) noexcept;
  TFileStream& operator=(TFileStream&& Other) noexcept;
  ~TFileStream() override;

  /// Closes any open file and opens FileName; false when it cannot be opened.
  bool Open(const std::string& FileName, TFileMode Mode);
  /// Closes the file; false when buffered data could not be written.
  bool Close();
  bool IsOpen() const { return FFile != nullptr; }
  const std::string& FileName() const { return FFileName; }

  /// Reads up to Count bytes into Buffer; the number read (0 at the end), or -1 on error.
  std::int64_t Read(void* Buffer, std::int64_t Count);
  /// Writes Count bytes at the position; the number written, or -1 on error or read-only file.
  std::int64_t Write(const void* Buffer, std::int64_t Count);
  /// Moves the position; the new position, or -1 (position unchanged) on error.
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin);
  /// The current position, or -1 when closed.
  std::int64_t Position() const;
  /// The file's size including data not yet flushed, or -1 when closed.
  std::int64_t Size() const;

 private:
  enum TLastOp : std::uint8_t { opNone, opRead, opWrite };
  /// C streams need a positioning call between a read and a write in either order.
  bool SwitchTo(TLastOp Op);

  std::FILE* FFile = nullptr;
  std::string FFileName;
  bool FWritable = false;
  TLastOp FLastOp = opNone;
};

}  // namespace qel
