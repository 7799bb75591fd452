#pragma once

#include "app/ConvertCommand.h"

#include <QString>
#include <QStringList>

namespace bg {

// The tool's version, as --version and the application object give it.
inline constexpr char16_t ToolVersion[] = u"4.0";

// The tool's own options, decided before any window system is asked for: an argument that
// begins with "--" is an option and never a file name; "-h" and "/?" ask for the usage as
// "--help" does. Everything else is left to the command-line jobs.
struct OptionsDecision
{
    bool run = true;     // no option given: start as usual
    int exitCode = 0;    // when !run: 0 for --help and --version, 2 for an unknown option
    QString output;      // when !run: the text for standard output (UTF-8)
    QString errorOutput; // when !run: the text for standard error (UTF-8)
    QString bootPreview; // when run: "--boot-preview PICTURE" asks to show this picture as the
                         // boot screen will (the picture as typed), and nothing else
    bool convert = false; // when !run: --convert, to be done as `conversion` says
    ConvertRequest conversion{};
    QString image = QString(); // when run: "--image FILE" works on this emulator's disk image
};

// arguments: the command line without the program's name. An unknown option, or a
// --boot-preview without its one picture, wins over the others, --help over --version over
// --convert; --fill, --animate and --force belong to --convert, which takes one picture and at
// most one output file (else a usage error, 2).
OptionsDecision decideOptions(const QStringList &arguments);

// The arguments that are the command-line job: all but "--image FILE".
QStringList jobArguments(const QStringList &arguments);

} // namespace bg
