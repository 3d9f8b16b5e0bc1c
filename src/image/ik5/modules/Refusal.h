// How the file module's steps end a call with a reason: they throw a
// Refusal, which the exported function turns into its failed result and the
// reason of the call's outcome.
#pragma once

#include <string>
#include <utility>

#include "image/FileProblem.h"

namespace ik5module {

struct Refusal {
    FileProblem problem;
};

[[noreturn]] inline void refuse(FileError error, std::string format = {})
{
    throw Refusal{FileProblem{error, std::move(format)}};
}

} // namespace ik5module
