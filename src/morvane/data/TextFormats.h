#pragma once

namespace morvane {

// Characters of a text stream: one byte each, or two (UTF-16LE). Every value
// other than 0 means UTF-16.
enum TCharFormat : int {
    CHARFORMAT_8BIT = 0,
    CHARFORMAT_UTF16 = 1,
};

// Line ends written by the text writer. Every value other than 1 means LF.
enum TLineBreakFormat : int {
    LINEBREAK_LF = 0,
    LINEBREAK_CRLF = 1,
};

} // namespace morvane
