#include "text/ConvertCharset.h"

#include <string>

#include "platform/codepage/Codepage.h"
#include "platform/com/Com.h"

namespace qelvo {

namespace codepage = platform::codepage;

namespace {

constexpr const char* kDefaultFrom = "UTF-8";
constexpr const char* kDefaultTo = "GBK";

// The conversion runs inside one component initialisation of the calling thread; the guard
// releases it once whichever way the conversion ends.
class ComScope {
  public:
    ComScope() { platform::com::Initialize(); }
    ~ComScope() { platform::com::Uninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
};

// Bytes in, read back as text in `from`, written again as text in `to`, read out as bytes
// from `start`. A step that fails yields nothing and the later steps work on that nothing, so
// an unknown charset on either side ends in empty output.
Bytes ConvertThroughText(std::string_view input, std::string_view from, std::string_view to,
                         std::optional<int> start) {
    // The decoded text stays UTF-16 between the two steps: narrowing it to a GBK Text there
    // would cut it at the first NUL and turn every non-GBK character into "?" even when the
    // target charset has it.
    std::u16string text = codepage::Decode(input, from).value_or(std::u16string());
    std::string encoded = codepage::Encode(text, to).value_or(std::string());

    const int offset = start.value_or(0);
    if (offset < 0 || static_cast<std::size_t>(offset) >= encoded.size())
        return Bytes();
    if (offset > 0)
        encoded.erase(0, static_cast<std::size_t>(offset));
    return Bytes(std::move(encoded));
}

}  // namespace

Bytes ConvertCharset(const Bytes& input, const Text& fromCharset, const Text& toCharset,
                     std::optional<int> startPosition) {
    // Only the empty name takes the default; a blank name is passed on and fails as unknown.
    const std::string_view from = fromCharset.empty() ? kDefaultFrom : fromCharset.view();
    const std::string_view to = toCharset.empty() ? kDefaultTo : toCharset.view();
    ComScope com;
    return ConvertThroughText(input.view(), from, to, startPosition);
}

Text Utf8FromGbk(const Text& text) {
    if (text.empty())
        return Text();
    return Text(codepage::Convert(text.view(), "CP936", "UTF-8").value_or(std::string()));
}

}  // namespace qelvo
