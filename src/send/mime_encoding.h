#pragma once
// The encodings an Internet message needs for 8-bit text: encoded words in headers,
// quoted-printable and base64 bodies, RFC 2231 parameters, and header folding. All text is
// the program's code page (Windows-1252), which is the charset every encoding declares.

#include <string>
#include <string_view>

namespace quillory::send {

// The characters an unquoted word of an address or header may hold (RFC 5322 atext).
bool isAtext(unsigned char c);

inline constexpr std::string_view messageCharset = "windows-1252";

// True when the text cannot go into a header as it is: bytes above 127 or control bytes.
bool needsHeaderEncoding(std::string_view text);

// Replaces every run of CR and LF bytes by one space, so text from a field can never start a
// header line or an SMTP command of its own. Other control bytes are left to the encoders.
std::string foldLineBreaks(std::string_view text);

// Encoded words (RFC 2047, Q encoding, the restrictive character set valid in phrases too),
// each at most 66 characters (so one fits beside any header name we encode), separated by single spaces where a header
// may be folded.
std::string encodeWords(std::string_view text);

// An unstructured header value (Subject): kept as it is when it is plain printable ASCII,
// otherwise encoded words. Text that looks like an encoded word itself is encoded too, so a
// reader never decodes what the user typed literally.
std::string unstructuredHeaderValue(std::string_view text);

// A display name: an atom phrase when it consists of atoms, a quoted string when it holds
// specials, encoded words when it holds 8-bit or control bytes.
std::string phrase(std::string_view name);

// Appends "Name: value" CR LF, folding at spaces so lines stay within 78 characters where
// the value allows it; a word longer than that stays whole on its own line.
void appendHeader(std::string& out, std::string_view name, std::string_view value);

// Quoted-printable (RFC 2045) of one text line without its line break; encoded lines are at
// most 76 characters, soft breaks added as needed; trailing spaces and tabs are encoded.
void appendQuotedPrintableLine(std::string& out, std::string_view line);

// Base64 in lines of 76 characters, each ended by CR LF.
void appendBase64(std::string& out, std::string_view bytes);

// A MIME parameter: name="value" when the value is short printable ASCII, otherwise the
// RFC 2231 form name*=windows-1252''... split into numbered sections that keep lines short.
// Returns the parameter text without the leading "; ".
std::string mimeParameter(std::string_view name, std::string_view value);

} // namespace quillory::send
