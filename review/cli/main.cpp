// qa-review: the instructor's review of handed-in record files, on the
// command line.
#include <iostream>

#include "review/cli/arguments.h"
#include "review/cli/cli.h"
#include "review/review.h"

int main(int argc, char** argv)
{
    return qa::review::runCommandLine(qa::review::utf8Arguments(argc, argv), std::cout, std::cerr,
                                      qa::review::stderrIsTerminal(), {}, true);
}
