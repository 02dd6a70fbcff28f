// The ZIP of feedback pages for the platform's bulk upload, through libarchive.
#include <ctime>

#include "review/marking/feedback.h"

#ifdef QA_HAVE_LIBARCHIVE
#include <archive.h>
#include <archive_entry.h>
#endif

namespace qa::review {

#ifdef QA_HAVE_LIBARCHIVE
namespace {

la_ssize_t appendTo(struct archive*, void* data, const void* buf, size_t len)
{
    static_cast<std::string*>(data)->append(static_cast<const char*>(buf), len);
    return static_cast<la_ssize_t>(len);
}

// Frees the archive; what went wrong with it, as the output it was to be.
Problem failed(struct archive* a, const char* what)
{
    const std::string why = archive_error_string(a) ? archive_error_string(a) : "unknown error";
    archive_write_free(a);
    return Problem{{}, 0, 0, std::string("the feedback ZIP cannot be made: ") + what + ": " + why, true};
}

bool add(struct archive* a, const std::string& name, const std::string& bytes, std::time_t when)
{
    archive_entry* e = archive_entry_new();
    archive_entry_set_pathname_utf8(e, name.c_str());
    archive_entry_set_filetype(e, name.back() == '/' ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(e, name.back() == '/' ? 0755 : 0644);
    archive_entry_set_size(e, static_cast<la_int64_t>(bytes.size()));
    archive_entry_set_mtime(e, when, 0);
    const bool ok = archive_write_header(a, e) == ARCHIVE_OK &&
                    (bytes.empty() ||
                     archive_write_data(a, bytes.data(), bytes.size()) == static_cast<la_ssize_t>(bytes.size()));
    archive_entry_free(e);
    return ok;
}

} // namespace
#endif

bool zipAvailable()
{
#ifdef QA_HAVE_LIBARCHIVE
    return true;
#else
    return false;
#endif
}

Result<FeedbackZip> feedbackZip(const Marking& marking, std::size_t sheet)
{
    FeedbackZip zip;
    const Sheet& sh = marking.sheets()[sheet];
#ifdef QA_HAVE_LIBARCHIVE
    struct archive* a = archive_write_new();
    if (archive_write_set_format_zip(a) != ARCHIVE_OK ||
        archive_write_set_options(a, "zip:hdrcharset=UTF-8") != ARCHIVE_OK ||
        archive_write_open(a, &zip.bytes, nullptr, appendTo, nullptr) != ARCHIVE_OK)
        return failed(a, "opening");
    const std::time_t now = std::time(nullptr);
    for (std::size_t st = 0; st < sh.students.size(); ++st) {
        const SheetStudent& s = sh.students[st];
        if (!hasFeedback(marking, sheet, st))
            continue; // unmarked: no feedback file, and no notice of one
        if (s.submitterId.empty() || (s.submitterName.empty() && !s.blind)) {
            zip.withoutId.push_back(s.name);
            continue;
        }
        // As the platform's download named the student's folder.
        // The platform reads the id, never the name: a blind download's
        // participants are named by the word it gave them.
        const std::string folder = (s.blind ? std::string("Participant") : s.submitterName) + "_" + s.submitterId +
                                   "_assignfeedback_file/";
        const std::string member = folder + pageFileName(sh, st);
        if (!add(a, member, feedbackPage(marking, sheet, st), now))
            return failed(a, member.c_str());
        zip.members.push_back(member);
    }
    if (archive_write_close(a) != ARCHIVE_OK)
        return failed(a, "closing");
    archive_write_free(a);
#else
    (void)marking;
    (void)sh;
    return Problem{{},
                   0,
                   0,
                   "this build cannot write ZIP archives (it was made without libarchive); "
                   "the feedback pages are written, pack them by hand",
                   true};
#endif
    return zip;
}

} // namespace qa::review
