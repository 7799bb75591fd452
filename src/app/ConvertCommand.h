#pragma once

#include "core/LogoConversion.h"

#include <QString>

namespace bg {

// bootgallery --convert PICTURE [OUT.bmp] [--fill] [--animate] [--force]
struct ConvertRequest
{
    QString picture;
    QString output; // empty: NAME.bmp beside the picture
    LogoConversionOptions options{};
    bool force = false; // replace an existing file (never the picture itself)
};

struct ConvertOutcome
{
    int exitCode = 0;   // 0 written, 1 refused or failed
    QString message;    // one line ending in a newline: for standard output when written, else error
};

// Converts the picture into a logo file without any window, writing it in one step: a file of a
// temporary name in the target's folder, renamed into place (linked, when nothing may be replaced).
ConvertOutcome runConvert(const ConvertRequest &request);

} // namespace bg
