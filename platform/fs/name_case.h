// Letter case of entry names, one character at a time.
//
// Windows compares names through an upper-case table: two names are the same
// when every UTF-16 unit of one has the same upper-case form as the unit of
// the other. The table is the simple upper-case mapping of the Basic
// Multilingual Plane (one character to one character; "ß" stays "ß", "ı"
// becomes "I", "İ" stays "İ"); characters beyond that plane are never folded.
// FoldCase gives that form; it is what every caseless comparison of names
// uses (the backends' lookups, listing patterns, the sweep's own lookups).
//
// LowerCase is the lower-case form the commands show and test names in. It is
// the simple lower-case mapping, except where the lower-case form would fold
// differently ("İ" would become "i", the Kelvin sign "k"): those characters
// stay, so a lower-cased name always names the entry it came from.
#pragma once

namespace veltrano::fs {

char32_t FoldCase(char32_t c);
char32_t LowerCase(char32_t c);

}  // namespace veltrano::fs
