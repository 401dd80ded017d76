// A TrueType file made by the tests themselves: one family whose capital A is
// a solid block filling the whole character cell, so that text drawn in it is
// told apart from any other face by its ink alone.
#pragma once
#include <string>

#include "support/image_file.h"  // for: Bytes

namespace velk_test {

Bytes MakeBlockFont(const std::string& family);

}  // namespace velk_test
