// fotra's texts of file failures and load notes.
#include "cli/PhotoReport.h"

#include <iostream>

#include "image/COvImage2.h"

namespace fotra {
namespace {

std::string withReason(std::string lead, const FileProblem& problem)
{
    const std::string reason = fileProblemMessage(problem);
    return reason.empty() ? lead : lead + ": " + reason;
}

} // namespace

std::string readFailure(const std::string& name, const COvImage2& image)
{
    return readFailure(name, image.fileProblem);
}

std::string readFailure(const std::string& name, const FileProblem& problem)
{
    return withReason("cannot read " + name, problem);
}

std::string damagedFailure(const std::string& name)
{
    return "cannot read " + name + ": " + loadNoteMessages(NoteDamagedData).front()
           + " (--allow-damaged opens it all the same)";
}

std::string writeFailure(const std::string& name, const COvImage2& image)
{
    return withReason("cannot write " + name, image.fileProblem);
}

void warnLoadNotes(const std::string& name, LoadNotes notes)
{
    for (const std::string& note : loadNoteMessages(notes)) {
        std::cerr << "fotra: warning: " << name << ": " << note << '\n';
    }
}

} // namespace fotra
