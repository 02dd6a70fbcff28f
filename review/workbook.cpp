// The workbook, through libxlsxwriter when the build has it.
#include "review/model.h"

namespace qa::review {

#ifndef QA_HAVE_XLSXWRITER
bool writesWorkbooks()
{
    return false;
}

std::string Review::writeWorkbook(const std::filesystem::path&, const std::string&) const
{
    return "this build of qa-review writes no workbooks";
}
#endif

} // namespace qa::review
