// fotra's lines about a photo file: the failure of a read or write with the
// reason the record gives, and one warning line for each thing a read
// changed in the picture (fewer bits, first page only, ...). `name` is the
// photo as fotra names it ("the photo 'a.jpg'").
#pragma once

#include <string>

class COvImage2;

namespace fotra {

// "cannot read NAME: REASON" after a failed loadFromFile.
std::string readFailure(const std::string& name, const COvImage2& image);
// "cannot write NAME: REASON" after a failed saveToFile.
std::string writeFailure(const std::string& name, const COvImage2& image);
// Prints "fotra: warning: NAME: NOTE" to stderr for each note of the load.
void warnLoadNotes(const std::string& name, const COvImage2& image);

} // namespace fotra
