// fotra's texts of file failures and load notes.
#include "cli/PhotoReport.h"

#include <iostream>

#include "image/COvImage2.h"

namespace fotra {
namespace {

std::string withReason(std::string lead, const COvImage2& image)
{
    const std::string reason = fileProblemMessage(image.fileProblem);
    return reason.empty() ? lead : lead + ": " + reason;
}

} // namespace

std::string readFailure(const std::string& name, const COvImage2& image)
{
    return withReason("cannot read " + name, image);
}

std::string writeFailure(const std::string& name, const COvImage2& image)
{
    return withReason("cannot write " + name, image);
}

void warnLoadNotes(const std::string& name, const COvImage2& image)
{
    for (const std::string& note : loadNoteMessages(image.loadNotes)) {
        std::cerr << "fotra: warning: " << name << ": " << note << '\n';
    }
}

} // namespace fotra
