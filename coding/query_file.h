#pragma once
#include <string>

#include "store/files.h"

namespace qa::coding {

// Codes the query file of the data directory ("query" + id + ".txt") into its
// coded copy ("queri" + id + ".txt"), replacing the copy. Lines that begin
// with "assign" are kept as they are, a "query " line becomes "query" and its
// text from the eighth character on, and the other lines go through the
// coding step. The code number
// becomes the length of the first line. Raises 53 when the query file is
// missing and 62 when it is empty; the code number is then left as it was.
void codeFile(Files& files, const std::string& dataDir, const std::string& queryFileId, double& codeNbr);

} // namespace qa::coding
