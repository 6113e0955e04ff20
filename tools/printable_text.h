// Text as the command-line tools print it: one printed line per line of
// output, whatever a file name or an argument holds.
#pragma once

#include <string>
#include <string_view>

namespace veltrano::tools {

// `text` with every control character (C0, DEL and C1) and every byte that is
// not part of valid UTF-8 written as an escape: "\n", "\r", "\t", or "\xHH"
// for each byte. A backslash is kept as it is, so Windows paths print
// unchanged; a name that held a newline shows "\n" and stays on its line.
std::string Printable(std::string_view text);

}  // namespace veltrano::tools
