#pragma once
// Single string values out of the update server's small JSON answer, by a plain text search
// between an opening and a closing text (the answer is never parsed as JSON), and the JSON
// escapes of such a value resolved.

#include <stdexcept>
#include <string>
#include <string_view>

// A "\u" escape whose characters are not a hexadecimal number.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text of `Source` between the first `StartTag` and the next `EndTag` after it, searched
// with the ASCII letters compared without case; empty when either is missing. With a quote or
// apostrophe as `EndTag`, a backslash before it hides it from the search.
std::wstring ExtractBetween(std::wstring_view Source, std::wstring_view StartTag, std::wstring_view EndTag);

// `Value` with its JSON escapes resolved; an unknown escape is dropped with its character, a
// lone backslash at the end is dropped. Throws EConvertError for a malformed "\u".
std::wstring JsonUnescape(std::wstring_view Value);

// The tags of the answer's fields: a string field `"key":"` ... `"`, the object "info" `"info":{` ... `}`.
std::wstring StringFieldTag(std::wstring_view key);
inline constexpr std::wstring_view kStringFieldEnd = L"\"";
inline constexpr std::wstring_view kInfoStart = L"\"info\":{";
inline constexpr std::wstring_view kInfoEnd = L"}";

// ExtractBetween of a string field, then JsonUnescape (which may throw EConvertError).
std::wstring ReadStringField(std::wstring_view source, std::wstring_view key);
