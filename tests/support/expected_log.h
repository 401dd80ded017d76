// Log contents that several suites expect, as the file stores them (CR LF).
#pragma once
#include <string>

#include "core/texts.h"

namespace velk_test {

// The banner ends in a line feed of its own, so an empty line follows it.
inline const std::string kBannerLines =
    "-=-= Welcome to TORV -=-= DLLVersion 1.01 Log Writer Avaliable \r\n\r\n";

// What the final release writes while no graphics or sound mode was ever set.
inline std::string TeardownLines() {
    return std::string("### VELK FinallyCall\r\n") + "### " + velk::texts::kGraphicsCleanupTitle +
           "\r\n### Succeed\r\n" + "### " + velk::texts::kSoundCleanupTitle + "\r\n### Succeed\r\n" +
           "### Succeed\r\n";
}

}  // namespace velk_test
