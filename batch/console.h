// kurimo-batch's console: messages on standard error, always valid UTF-8, and the check that
// what went to standard output arrived.
#pragma once

#include <string_view>

namespace kurimo::batch {

// Prints one message and a line end on standard error. Bytes that are not UTF-8 (a file name
// or an option given in another encoding) are replaced by U+FFFD, as the JSON output
// replaces them.
void SayOnStandardError(std::string_view text);

// Standard output, flushed; false (with the reason on standard error) when what was
// written did not arrive: a full disk, a closed descriptor, a stop while a slow reader
// kept the program waiting.
bool StandardOutputWritten();

}  // namespace kurimo::batch
