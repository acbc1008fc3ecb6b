// File and folder helpers: path parts, whole-file reads and writes, wildcards, file streams.
#include "Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

namespace qel {

namespace fs = std::filesystem;

namespace {

/// Index just past the last "/" (0 when there is none): where the file name part starts.
size_t NameStart(const std::string& FileName) {
  const size_t Slash = FileName.rfind(PathDelim);
  return Slash == std::string::npos ? 0 : Slash + 1;
}

/// Index of the extension's dot in the file name part, or npos.
size_t ExtStart(const std::string& FileName) {
  const size_t Dot = FileName.rfind('.');
  if (Dot == std::string::npos || Dot < NameStart(FileName)) return std::string::npos;
  return Dot;
}

bool IsContinuationByte(char C) {
  return (static_cast<unsigned char>(C) & 0xC0) == 0x80;
}

/// Index just past the character (UTF-8 sequence) that starts at I.
size_t NextChar(const std::string& S, size_t I) {
  ++I;
  while (I < S.size() && IsContinuationByte(S[I])) ++I;
  return I;
}

bool HasWildcard(const std::string& S) {
  return S.find_first_of("*?") != std::string::npos;
}

}  // namespace

bool FileExists(const std::string& FileName) {
  std::error_code Ec;
  const fs::file_status Status = fs::status(FileName, Ec);
  return !Ec && fs::exists(Status) && !fs::is_directory(Status);
}

bool DirectoryExists(const std::string& DirName) {
  std::error_code Ec;
  return fs::is_directory(DirName, Ec) && !Ec;
}

std::string ExtractFilePath(const std::string& FileName) {
  return FileName.substr(0, NameStart(FileName));
}

std::string ExtractFileName(const std::string& FileName) {
  return FileName.substr(NameStart(FileName));
}

std::string ExtractFileExt(const std::string& FileName) {
  const size_t Dot = ExtStart(FileName);
  return Dot == std::string::npos ? std::string() : FileName.substr(Dot);
}

std::string ChangeFileExt(const std::string& FileName, const std::string& Extension) {
  const size_t Dot = ExtStart(FileName);
  return (Dot == std::string::npos ? FileName : FileName.substr(0, Dot)) + Extension;
}

std::string IncludeTrailingPathDelimiter(const std::string& Path) {
  if (Path.empty() || Path.back() == PathDelim) return Path;
  return Path + PathDelim;
}

bool ReadFileToString(const std::string& FileName, std::string& Data) {
  std::error_code Error;
  return ReadFileToString(FileName, Data, Error);
}

bool ReadFileToString(const std::string& FileName, std::string& Data, std::error_code& Error) {
  Error.clear();
  const fs::file_status Status = fs::status(FileName, Error);
  if (Error) return false;
  if (!fs::exists(Status)) {
    Error = std::make_error_code(std::errc::no_such_file_or_directory);
    return false;
  }
  if (fs::is_directory(Status)) {
    Error = std::make_error_code(std::errc::is_a_directory);
    return false;
  }
  std::FILE* F = std::fopen(FileName.c_str(), "rb");
  if (!F) {
    Error = std::error_code(errno, std::generic_category());
    return false;
  }
  std::string Result;
  // A regular file is read into a text of its own size (growing by doubling would leave up
  // to half of a large script's buffer unused); a pipe or device grows as it is read.
  std::error_code Ec;
  const auto Size = std::filesystem::file_size(FileName, Ec);
  if (!Ec && std::filesystem::is_regular_file(FileName, Ec) && !Ec) Result.reserve(Size + 1);
  char Buffer[65536];
  size_t N = 0;
  while ((N = std::fread(Buffer, 1, sizeof Buffer, F)) > 0) Result.append(Buffer, N);
  if (std::ferror(F)) Error = std::error_code(errno, std::generic_category());
  std::fclose(F);
  if (Error) return false;
  Data.swap(Result);
  return true;
}

bool WriteStringToFile(const std::string& FileName, const std::string& Data) {
  std::FILE* F = std::fopen(FileName.c_str(), "wb");
  if (!F) return false;
  bool Ok = std::fwrite(Data.data(), 1, Data.size(), F) == Data.size();
  // A full disk often shows only when the buffer is flushed at close.
  Ok = (std::fclose(F) == 0) && Ok;
  return Ok;
}

std::string TemporaryFolder() {
  const char* Dir = std::getenv("TMPDIR");
  return Dir && *Dir ? Dir : "/tmp";
}

std::FILE* OpenTemporaryFile(const std::string& Prefix, const std::string& Folder,
                             std::string* Name) {
  static std::atomic<unsigned> Counter{0};
  const std::string Dir = IncludeTrailingPathDelimiter(Folder.empty() ? TemporaryFolder() : Folder);
  // Created only when no file has the name (O_EXCL), with the permissions a new file of the
  // process gets, so that a file renamed to its own name later is like one made there.
  for (int Attempt = 0; Attempt < 100; ++Attempt) {
    const std::string Path = Dir + Prefix + std::to_string(::getpid()) + "_" +
                             std::to_string(Counter.fetch_add(1)) + ".tmp";
    const int Fd = ::open(Path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (Fd < 0) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    if (!Name) ::unlink(Path.c_str());
    std::FILE* F = ::fdopen(Fd, "w+b");
    if (!F) {
      ::close(Fd);
      if (Name) ::unlink(Path.c_str());
      return nullptr;
    }
    if (Name) *Name = Path;
    return F;
  }
  return nullptr;
}

std::int64_t FileSize(const std::string& FileName) {
  std::error_code Ec;
  const std::uintmax_t Size = fs::file_size(FileName, Ec);
  return Ec ? -1 : static_cast<std::int64_t>(Size);
}

bool MatchesMask(const std::string& Name, const std::string& Mask) {
  // Greedy matching with one back-track point (the last "*"): linear in practice, never
  // recursive, whatever the number of stars.
  size_t N = 0;
  size_t M = 0;
  size_t StarM = std::string::npos;
  size_t StarN = 0;
  while (N < Name.size()) {
    if (M < Mask.size() && Mask[M] == '*') {
      StarM = M++;
      StarN = N;
    } else if (M < Mask.size() && Mask[M] == '?') {
      N = NextChar(Name, N);
      ++M;
    } else if (M < Mask.size() && Mask[M] == Name[N]) {
      ++N;
      ++M;
    } else if (StarM != std::string::npos) {
      // Let the last star take one more character and try the rest again.
      StarN = NextChar(Name, StarN);
      N = StarN;
      M = StarM + 1;
    } else {
      return false;
    }
  }
  while (M < Mask.size() && Mask[M] == '*') ++M;
  return M == Mask.size();
}

std::vector<std::string> FindFiles(const std::string& DirAndMask) {
  std::vector<std::string> Result;
  const std::string Dir = ExtractFilePath(DirAndMask);
  const std::string Mask = ExtractFileName(DirAndMask);
  if (Mask.empty()) return Result;
  if (!HasWildcard(Mask)) {
    if (FileExists(DirAndMask)) Result.push_back(DirAndMask);
    return Result;
  }
  std::error_code Ec;
  fs::directory_iterator It(Dir.empty() ? fs::path(".") : fs::path(Dir), Ec);
  for (; !Ec && It != fs::directory_iterator(); It.increment(Ec)) {
    const std::string Name = It->path().filename().string();
    if (!MatchesMask(Name, Mask)) continue;
    std::error_code StatusEc;
    if (It->is_directory(StatusEc)) continue;
    Result.push_back(Dir + Name);
  }
  std::sort(Result.begin(), Result.end());
  return Result;
}

// ---------------------------------------------------------------------------------------------
// TFileStream

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) {
  Open(FileName, Mode);
}

TFileStream::TFileStream(TFileStream&& Other) noexcept
    : TObject(Other),
      FFile(std::exchange(Other.FFile, nullptr)),
      FFileName(std::move(Other.FFileName)),
      FWritable(Other.FWritable),
      FLastOp(Other.FLastOp) {}

TFileStream& TFileStream::operator=(TFileStream&& Other) noexcept {
  if (this == &Other) return *this;
  Close();
  FFile = std::exchange(Other.FFile, nullptr);
  FFileName = std::move(Other.FFileName);
  FWritable = Other.FWritable;
  FLastOp = Other.FLastOp;
  return *this;
}

TFileStream::~TFileStream() {
  Close();
}

bool TFileStream::Open(const std::string& FileName, TFileMode Mode) {
  Close();
  if (DirectoryExists(FileName)) return false;
  switch (Mode) {
    case fmOpenRead:
      FFile = std::fopen(FileName.c_str(), "rb");
      break;
    case fmCreate:
      FFile = std::fopen(FileName.c_str(), "w+b");
      break;
    case fmAppend:
      // "a" mode would force every write to the end whatever Seek said; open for update and
      // create the file only when it is missing.
      FFile = std::fopen(FileName.c_str(), "r+b");
      if (!FFile && !FileExists(FileName)) FFile = std::fopen(FileName.c_str(), "w+b");
      if (FFile && ::fseeko(FFile, 0, SEEK_END) != 0) {
        std::fclose(FFile);
        FFile = nullptr;
      }
      break;
  }
  if (!FFile) return false;
  FFileName = FileName;
  FWritable = Mode != fmOpenRead;
  FLastOp = opNone;
  return true;
}

bool TFileStream::Close() {
  if (!FFile) return true;
  const bool Ok = std::fclose(FFile) == 0;
  FFile = nullptr;
  FFileName.clear();
  FWritable = false;
  FLastOp = opNone;
  return Ok;
}

bool TFileStream::SwitchTo(TLastOp Op) {
  if (FLastOp != opNone && FLastOp != Op && ::fseeko(FFile, 0, SEEK_CUR) != 0) return false;
  FLastOp = Op;
  return true;
}

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
  if (!FFile || Count < 0 || (Count > 0 && !Buffer)) return -1;
  if (Count == 0) return 0;
  if (!SwitchTo(opRead)) return -1;
  const size_t N = std::fread(Buffer, 1, static_cast<size_t>(Count), FFile);
  if (std::ferror(FFile)) {
    std::clearerr(FFile);
    return -1;
  }
  std::clearerr(FFile);  // the end-of-file mark must not stick after a later Seek or Write
  return static_cast<std::int64_t>(N);
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
  if (!FFile || !FWritable || Count < 0 || (Count > 0 && !Buffer)) return -1;
  if (Count == 0) return 0;
  if (!SwitchTo(opWrite)) return -1;
  const size_t N = std::fwrite(Buffer, 1, static_cast<size_t>(Count), FFile);
  if (N != static_cast<size_t>(Count)) {
    std::clearerr(FFile);
    return -1;
  }
  return static_cast<std::int64_t>(N);
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  if (!FFile) return -1;
  const int Whence = Origin == soBeginning ? SEEK_SET : (Origin == soCurrent ? SEEK_CUR : SEEK_END);
  // A negative target would be refused by the system anyway; check so the position is kept.
  const std::int64_t Base = Origin == soBeginning ? 0 : (Origin == soCurrent ? Position() : Size());
  if (Base < 0 || Base + Offset < 0) return -1;
  if (::fseeko(FFile, static_cast<off_t>(Offset), Whence) != 0) return -1;
  FLastOp = opNone;  // a positioning call allows either a read or a write next
  return Position();
}

std::int64_t TFileStream::Position() const {
  if (!FFile) return -1;
  const off_t P = ::ftello(FFile);
  return P < 0 ? -1 : static_cast<std::int64_t>(P);
}

std::int64_t TFileStream::Size() const {
  if (!FFile) return -1;
  if (FLastOp == opWrite && std::fflush(FFile) != 0) return -1;
  struct stat Info {};
  if (::fstat(::fileno(FFile), &Info) != 0) return -1;
  return static_cast<std::int64_t>(Info.st_size);
}

}  // namespace qel
