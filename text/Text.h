#pragma once
// The two string types every subsystem passes around.
//
// Text and Bytes are distinct types on purpose: a Text is GBK (code page 936) text that may
// be shown, searched and compared; Bytes are whatever arrived from or goes to the wire.
// Keeping them apart makes the compiler reject an answer body used as text before it went
// through charset conversion, and a Text sent as a body without saying so.

#include <cstddef>
#include <string>
#include <string_view>

namespace qelvo {

class Bytes;

/// A GBK byte string that never holds a NUL byte.
///
/// The "absent" text of the system's rules behaves as the empty text in every operation, so it
/// is simply the default-constructed Text; where an optional argument must tell "not given"
/// from "given and empty", the caller passes std::optional<Text>.
///
/// Construction from raw characters keeps the bytes before the first NUL, as a C string would.
/// ASCII literals may be used directly (`Text("User-Agent")`); Chinese constants go through
/// GbkText(u8"...") so that the source stays UTF-8.
class Text {
  public:
    Text() = default;
    Text(const char* cstr);  // NOLINT(google-explicit-constructor): ASCII constants read naturally
    Text(std::string_view bytes);  // NOLINT(google-explicit-constructor)
    Text(const std::string& bytes) : Text(std::string_view(bytes)) {}  // NOLINT
    Text(std::string&& bytes);  // NOLINT(google-explicit-constructor)

    /// The bytes of `bytes` before its first NUL.
    [[nodiscard]] static Text FromBytes(const Bytes& bytes);

    [[nodiscard]] bool empty() const noexcept { return s_.empty(); }
    /// Number of bytes, without the terminator.
    [[nodiscard]] std::size_t size() const noexcept { return s_.size(); }
    [[nodiscard]] const char* c_str() const noexcept { return s_.c_str(); }
    [[nodiscard]] std::string_view view() const noexcept { return s_; }
    [[nodiscard]] const std::string& str() const noexcept { return s_; }
    /// Byte at 0-based index i, as an unsigned value.
    [[nodiscard]] unsigned char at(std::size_t i) const noexcept {
        return static_cast<unsigned char>(s_[i]);
    }
    [[nodiscard]] Bytes ToBytes() const;

    Text& operator+=(const Text& other);
    friend Text operator+(Text a, const Text& b) { return a += b; }
    friend bool operator==(const Text& a, const Text& b) noexcept { return a.s_ == b.s_; }

  private:
    std::string s_;
};

/// Any bytes, NUL included: answer bodies, request bodies, charset conversion input and output.
class Bytes {
  public:
    Bytes() = default;
    explicit Bytes(std::string bytes) : s_(std::move(bytes)) {}
    explicit Bytes(std::string_view bytes) : s_(bytes) {}
    Bytes(const char* data, std::size_t n) : s_(data, n) {}

    [[nodiscard]] bool empty() const noexcept { return s_.empty(); }
    [[nodiscard]] std::size_t size() const noexcept { return s_.size(); }
    [[nodiscard]] const char* data() const noexcept { return s_.data(); }
    [[nodiscard]] std::string_view view() const noexcept { return s_; }
    [[nodiscard]] const std::string& str() const noexcept { return s_; }
    /// Appends raw bytes; used by readers that receive a body piece by piece.
    void Append(std::string_view more) { s_.append(more); }

    friend bool operator==(const Bytes& a, const Bytes& b) noexcept { return a.s_ == b.s_; }

  private:
    std::string s_;
};

/// The GBK text of a UTF-8 constant from the source, e.g. GbkText(u8"请填写Cookie！").
/// The one place where message constants cross from the source's encoding into Text;
/// a character GBK lacks becomes "?".
[[nodiscard]] Text GbkText(std::u8string_view utf8);

}  // namespace qelvo
