// A text member of a schema object that most objects leave empty.
#pragma once

#include <atomic>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace qel {

/// A text of a schema object that most objects of a schema leave empty (descriptions, bodies,
/// dialect clauses, the texts of a column's rarer attributes): one pointer while empty, a
/// std::string on the heap once it holds text. A schema of a few hundred thousand columns
/// would otherwise carry a string header per column for each of these.
///
/// It reads as a `const std::string&` (and as a `std::string_view`), and takes the std::string
/// operations the library performs on such members; Mut() hands the string itself to code that
/// fills it in place (an output parameter, an algorithm over its characters). Setting it to an
/// empty text frees the string.
class TObjText {
 public:
  using size_type = std::string::size_type;
  using value_type = char;
  using const_iterator = std::string::const_iterator;
  static constexpr size_type npos = std::string::npos;

  TObjText() noexcept = default;
  explicit TObjText(const std::string& S) { Set(S); }
  explicit TObjText(std::string&& S) { Set(std::move(S)); }
  TObjText(const char* S) { Set(std::string(S)); }
  explicit TObjText(std::string_view S) { Set(std::string(S)); }
  TObjText(const TObjText& Other) { Set(Other.str()); }
  TObjText(TObjText&& Other) noexcept = default;
  ~TObjText() = default;

  TObjText& operator=(const TObjText& Other) {
    if (this != &Other) Set(Other.str());
    return *this;
  }
  TObjText& operator=(TObjText&& Other) noexcept = default;
  TObjText& operator=(const std::string& S) {
    Set(S);
    return *this;
  }
  TObjText& operator=(std::string&& S) {
    Set(std::move(S));
    return *this;
  }
  TObjText& operator=(const char* S) {
    Set(std::string(S));
    return *this;
  }
  TObjText& operator=(std::string_view S) {
    Set(std::string(S));
    return *this;
  }

  operator const std::string&() const noexcept { return str(); }
  operator std::string_view() const noexcept { return str(); }
  const std::string& str() const noexcept { return FText ? *FText : Empty(); }
  /// The string itself, made when the text is empty.
  std::string& Mut() {
    if (!FText) FText = std::make_unique<std::string>();
    return *FText;
  }

  bool empty() const noexcept { return !FText || FText->empty(); }
  size_type size() const noexcept { return FText ? FText->size() : 0; }
  size_type length() const noexcept { return size(); }
  const char* c_str() const noexcept { return str().c_str(); }
  const char* data() const noexcept { return str().data(); }
  char operator[](size_type I) const { return str()[I]; }
  char& operator[](size_type I) { return Mut()[I]; }
  char front() const { return str().front(); }
  char back() const { return str().back(); }
  const_iterator begin() const noexcept { return str().begin(); }
  const_iterator end() const noexcept { return str().end(); }
  const_iterator cbegin() const noexcept { return str().cbegin(); }
  const_iterator cend() const noexcept { return str().cend(); }
  auto rbegin() const noexcept { return str().rbegin(); }
  auto rend() const noexcept { return str().rend(); }

  template <class... A>
  size_type find(A&&... Args) const {
    return str().find(std::forward<A>(Args)...);
  }
  template <class... A>
  size_type rfind(A&&... Args) const {
    return str().rfind(std::forward<A>(Args)...);
  }
  template <class... A>
  size_type find_first_of(A&&... Args) const {
    return str().find_first_of(std::forward<A>(Args)...);
  }
  template <class... A>
  size_type find_last_of(A&&... Args) const {
    return str().find_last_of(std::forward<A>(Args)...);
  }
  template <class... A>
  size_type find_first_not_of(A&&... Args) const {
    return str().find_first_not_of(std::forward<A>(Args)...);
  }
  template <class... A>
  size_type find_last_not_of(A&&... Args) const {
    return str().find_last_not_of(std::forward<A>(Args)...);
  }
  template <class... A>
  int compare(A&&... Args) const {
    return str().compare(std::forward<A>(Args)...);
  }
  template <class A>
  bool starts_with(A&& Arg) const {
    return str().starts_with(std::forward<A>(Arg));
  }
  template <class A>
  bool ends_with(A&& Arg) const {
    return str().ends_with(std::forward<A>(Arg));
  }
  std::string substr(size_type Pos = 0, size_type Count = npos) const {
    return str().substr(Pos, Count);
  }

  void clear() noexcept { FText.reset(); }
  template <class T>
  TObjText& operator+=(const T& Value) {
    Mut() += Value;
    return *this;
  }
  TObjText& operator+=(const TObjText& Value) {
    if (!Value.empty()) Mut() += Value.str();
    return *this;
  }
  template <class... A>
  TObjText& append(A&&... Args) {
    Mut().append(std::forward<A>(Args)...);
    return *this;
  }
  template <class... A>
  TObjText& assign(A&&... Args) {
    Mut().assign(std::forward<A>(Args)...);
    Shrink();
    return *this;
  }
  TObjText& insert(size_type Pos, const std::string& S) {
    Mut().insert(Pos, S);
    return *this;
  }
  TObjText& insert(size_type Pos, const char* S) {
    Mut().insert(Pos, S);
    return *this;
  }
  TObjText& insert(size_type Pos, size_type Count, char C) {
    Mut().insert(Pos, Count, C);
    return *this;
  }
  TObjText& erase(size_type Pos = 0, size_type Count = npos) {
    if (FText) FText->erase(Pos, Count);
    Shrink();
    return *this;
  }
  template <class... A>
  TObjText& replace(A&&... Args) {
    Mut().replace(std::forward<A>(Args)...);
    Shrink();
    return *this;
  }
  void resize(size_type Count, char C = '\0') {
    Mut().resize(Count, C);
    Shrink();
  }
  void push_back(char C) { Mut().push_back(C); }
  void pop_back() {
    Mut().pop_back();
    Shrink();
  }

  // Comparison, concatenation and output, found only for expressions that hold a TObjText.
  friend bool operator==(const TObjText& A, const TObjText& B) noexcept {
    return A.str() == B.str();
  }
  friend bool operator==(const TObjText& A, const std::string& B) noexcept { return A.str() == B; }
  friend bool operator==(const TObjText& A, const char* B) noexcept { return A.str() == B; }
  friend std::strong_ordering operator<=>(const TObjText& A, const TObjText& B) noexcept {
    return A.str() <=> B.str();
  }
  friend std::strong_ordering operator<=>(const TObjText& A, const std::string& B) noexcept {
    return A.str() <=> B;
  }
  friend std::strong_ordering operator<=>(const TObjText& A, const char* B) noexcept {
    return A.str() <=> B;
  }

  friend std::string operator+(const TObjText& A, const TObjText& B) { return A.str() + B.str(); }
  friend std::string operator+(const TObjText& A, const std::string& B) { return A.str() + B; }
  friend std::string operator+(const std::string& A, const TObjText& B) { return A + B.str(); }
  friend std::string operator+(std::string&& A, const TObjText& B) {
    return std::move(A) + B.str();
  }
  friend std::string operator+(const TObjText& A, std::string&& B) {
    return A.str() + std::move(B);
  }
  friend std::string operator+(const char* A, const TObjText& B) { return A + B.str(); }
  friend std::string operator+(const TObjText& A, const char* B) { return A.str() + B; }
  friend std::string operator+(char A, const TObjText& B) { return A + B.str(); }
  friend std::string operator+(const TObjText& A, char B) { return A.str() + B; }
  friend std::ostream& operator<<(std::ostream& Out, const TObjText& Text) {
    return Out << Text.str();
  }

 private:
  void Set(std::string S) {
    if (S.empty())
      FText.reset();
    else if (FText)
      *FText = std::move(S);
    else
      FText = std::make_unique<std::string>(std::move(S));
  }
  void Shrink() noexcept {
    if (FText && FText->empty()) FText.reset();
  }
  static const std::string& Empty() noexcept {
    static const std::string E;
    return E;
  }

  std::unique_ptr<std::string> FText;
};

/// A text that many objects of a schema hold alike (the name of the table every column of
/// that table names): one pointer, and a text assigned equal to the one assigned last on the
/// same thread shares that one's string instead of holding a copy. It reads as a
/// `const std::string&`; it is only ever replaced as a whole, never changed in place.
class TSharedText {
 public:
  TSharedText() noexcept = default;
  TSharedText(const TSharedText& Other) noexcept : FRep(Other.FRep) { Hold(FRep); }
  TSharedText(TSharedText&& Other) noexcept : FRep(Other.FRep) { Other.FRep = nullptr; }
  ~TSharedText() { Release(FRep); }

  TSharedText& operator=(const TSharedText& Other) noexcept {
    Hold(Other.FRep);
    Release(FRep);
    FRep = Other.FRep;
    return *this;
  }
  TSharedText& operator=(TSharedText&& Other) noexcept {
    if (this != &Other) {
      Release(FRep);
      FRep = Other.FRep;
      Other.FRep = nullptr;
    }
    return *this;
  }
  TSharedText& operator=(std::string_view S) {
    Set(S);
    return *this;
  }
  TSharedText& operator=(const std::string& S) { return *this = std::string_view(S); }
  TSharedText& operator=(const char* S) { return *this = std::string_view(S); }

  operator const std::string&() const noexcept { return str(); }
  operator std::string_view() const noexcept { return str(); }
  const std::string& str() const noexcept { return FRep ? FRep->Text : Empty(); }
  bool empty() const noexcept { return !FRep; }
  std::string::size_type size() const noexcept { return str().size(); }
  const char* c_str() const noexcept { return str().c_str(); }
  void clear() noexcept {
    Release(FRep);
    FRep = nullptr;
  }

  friend bool operator==(const TSharedText& A, const TSharedText& B) noexcept {
    return A.FRep == B.FRep || A.str() == B.str();
  }
  friend bool operator==(const TSharedText& A, const std::string& B) noexcept {
    return A.str() == B;
  }
  friend bool operator==(const TSharedText& A, const char* B) noexcept { return A.str() == B; }
  friend std::string operator+(const TSharedText& A, const std::string& B) { return A.str() + B; }
  friend std::string operator+(const std::string& A, const TSharedText& B) { return A + B.str(); }
  friend std::string operator+(const char* A, const TSharedText& B) { return A + B.str(); }
  friend std::string operator+(const TSharedText& A, const char* B) { return A.str() + B; }
  friend std::string operator+(const TSharedText& A, char B) { return A.str() + B; }
  friend std::ostream& operator<<(std::ostream& Out, const TSharedText& Text) {
    return Out << Text.str();
  }

 private:
  struct TRep {
    explicit TRep(std::string_view S) : Text(S) {}
    std::atomic<std::uint32_t> Refs{1};
    const std::string Text;
  };
  static void Hold(TRep* Rep) noexcept {
    if (Rep) Rep->Refs.fetch_add(1, std::memory_order_relaxed);
  }
  static void Release(TRep* Rep) noexcept {
    if (Rep && Rep->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete Rep;
  }
  /// The text assigned last on this thread, held so that the next equal one shares it.
  struct TLast {
    TLast() = default;
    TLast(const TLast&) = delete;
    TLast& operator=(const TLast&) = delete;
    ~TLast() { Release(Rep); }
    TRep* Rep = nullptr;
  };
  void Set(std::string_view S) {
    TRep* Rep = nullptr;
    if (!S.empty()) {
      thread_local TLast Last;
      if (!Last.Rep || Last.Rep->Text != S) {
        Release(Last.Rep);
        Last.Rep = new TRep(S);
      }
      Rep = Last.Rep;
      Hold(Rep);
    }
    Release(FRep);
    FRep = Rep;
  }
  static const std::string& Empty() noexcept {
    static const std::string E;
    return E;
  }

  TRep* FRep = nullptr;
};

}  // namespace qel
