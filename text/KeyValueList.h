#pragma once
// An ordered list of name/value pairs that renders header text, form data and a flat JSON
// object.

#include <memory>
#include <optional>
#include <vector>

#include "text/Text.h"

namespace qelvo {

/// Pairs of Text in the order they were added. Names may repeat: AddPair never merges, and
/// every lookup by name (GetValue, PutValue, RemovePair) acts on the first pair whose name is
/// byte-for-byte equal, letter case significant, nothing trimmed. The list owns copies of all
/// its texts and hands out copies.
///
/// The operations are virtual, in a fixed order: destruction, copy, then the list's own.
/// LoadFormText and PutValue add through AddPair, and ToJsonText escapes and trims through
/// EscapeQuotes and TrimAffix, all by virtual call, so a derived list that changes one of
/// those changes every path that reaches it.
///
/// Copy: a constructor cannot be virtual, so the copy slot is Copy(), which a derived list
/// overrides to copy itself whole through a base pointer. The ordinary copy constructor and
/// assignment stay for value use. Either kind of copy shares nothing with its source.
class KeyValueList {
  public:
    KeyValueList() = default;
    virtual ~KeyValueList();
    KeyValueList(const KeyValueList&) = default;
    KeyValueList& operator=(const KeyValueList&) = default;
    KeyValueList(KeyValueList&&) noexcept = default;
    KeyValueList& operator=(KeyValueList&&) noexcept = default;
    /// A new list of the same kind holding copies of all pairs in the same order.
    [[nodiscard]] virtual std::unique_ptr<KeyValueList> Copy() const;

    /// Appends (name, value) after the last pair; with `convertToUtf8` true (default false)
    /// both are stored as Utf8FromGbk of the given texts.
    virtual void AddPair(const Text& name, const Text& value,
                         std::optional<bool> convertToUtf8 = std::nullopt);
    /// Appends the pairs of form data "n1=v1&n2=v2", each through AddPair with
    /// `convertToUtf8`. Pieces are cut at every "&"; an empty piece counts except the one after
    /// a final "&"; the empty text adds nothing. A piece's name is the text before its first
    /// "=", its value the text after its last "=" ("a=b=c" -> (a, c)); a piece without "="
    /// gives an empty name and value. Nothing is decoded or trimmed ("+" and "%XX" stay).
    /// "&" and "=" are found byte by byte (neither is ever a GBK trail byte), so form data
    /// holding UTF-8 loads whole too.
    virtual void LoadFormText(const Text& text, std::optional<bool> convertToUtf8 = std::nullopt);
    /// The value of the first pair named `name`; the empty text when there is none.
    [[nodiscard]] virtual Text GetValue(const Text& name) const;
    /// Replaces the value of the first pair named `name`; without one, appends the pair through
    /// AddPair without conversion.
    virtual void PutValue(const Text& name, const Text& value);
    /// "n1=v1&n2=v2", no leading or trailing "&"; with `urlEncode` true (default false) names
    /// and values are UrlEncode-d. The empty list gives the empty text.
    [[nodiscard]] virtual Text ToFormText(std::optional<bool> urlEncode = std::nullopt) const;
    /// "n1: v1" CR LF "n2: v2", no line break after the last line; with `urlEncodeValues` true
    /// (default false) values are UrlEncode-d, names never. Colons, CR and LF inside names or
    /// values are copied unchanged. The empty list gives the empty text.
    [[nodiscard]] virtual Text ToHeaderText(
        std::optional<bool> urlEncodeValues = std::nullopt) const;
    /// Empties `names`, then fills it with copies of all names in list order.
    virtual void GetNames(std::vector<Text>& names) const;
    /// Empties `values`, then fills it with copies of all values in list order.
    virtual void GetValues(std::vector<Text>& values) const;
    /// Leaves the list empty.
    virtual void RemoveAll();
    /// Removes the first pair named `name`; later pairs of that name stay. No match: no change.
    virtual void RemovePair(const Text& name);
    /// {"n1":"v1","n2":"v2"} with no blanks; the empty list gives {}. Names are written as
    /// stored; in values only '"' is escaped (EscapeQuotes). Backslashes, control characters
    /// and bytes 0x80 and above are copied, so a value ending in a backslash or holding a
    /// control character does not give valid JSON.
    [[nodiscard]] virtual Text ToJsonText() const;
    /// `text` with every '"' byte replaced by backslash and '"'; nothing else changes.
    [[nodiscard]] virtual Text EscapeQuotes(const Text& text) const;
    /// Removes `affix` once from the end of `text`, then once from the start of what is left;
    /// stores the result in `text` and returns a copy. An empty affix changes nothing; a text
    /// equal to the affix becomes empty.
    virtual Text TrimAffix(Text& text, const Text& affix) const;

  private:
    // Index of the first pair named `name`, or names_.size().
    [[nodiscard]] std::size_t Find(const Text& name) const;

    std::vector<Text> names_;
    std::vector<Text> values_;  // values_[k] belongs to names_[k]; always the same length
};

}  // namespace qelvo
