// What a user of the command line is told about options that cannot be read: the option
// parser's own explanations are English, so each kind of mistake has a Japanese sentence
// that names the options and arguments involved.
#pragma once

#include <string>

namespace CLI {
class ParseError;
}

namespace kurimo {

// The message for a command line the option parser refused, by the kind of mistake; of the
// parser's English explanation only the option names and arguments are kept. Ends with the
// hint to --help.
std::string OptionErrorText(const CLI::ParseError& error);

}  // namespace kurimo
