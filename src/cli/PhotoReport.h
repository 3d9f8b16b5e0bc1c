// fotra's lines about a photo file: the failure of a read or write with the
// reason the record gives, and one warning line for each thing a read
// changed in the picture (fewer bits, first page only, ...). `name` is the
// photo as fotra names it ("the photo 'a.jpg'").
#pragma once

#include <string>

#include "image/FileProblem.h"

class COvImage2;

namespace fotra {

// "cannot read NAME: REASON" after a failed loadFromFile, or for `problem`.
std::string readFailure(const std::string& name, const COvImage2& image);
std::string readFailure(const std::string& name, const FileProblem& problem);
// "cannot read NAME: ..." for a JPEG whose data the decoder found corrupt,
// naming --allow-damaged.
std::string damagedFailure(const std::string& name);
// "cannot write NAME: REASON" after a failed saveToFile.
std::string writeFailure(const std::string& name, const COvImage2& image);
// Prints "fotra: warning: NAME: NOTE" to stderr for each of the load's notes.
void warnLoadNotes(const std::string& name, LoadNotes notes);

} // namespace fotra
