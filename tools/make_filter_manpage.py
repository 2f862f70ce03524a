#!/usr/bin/env python3
"""Writes the kolvar-filter manual page from the program's own --help, so that every filter,
parameter and preset the program knows is in the page.

    tools/make_filter_manpage.py build/filters/kolvar-filter > packaging/man/kolvar-filter.1
"""
import re
import subprocess
import sys

HEAD = r""".TH KOLVAR\-FILTER 1 "December 2026" "Kolvar 0.1" "User Commands"
.SH NAME
kolvar\-filter \- apply a Kolvar image filter to picture files
.SH SYNOPSIS
.B kolvar\-filter
.I FILTER
.RB [ \-\-\fIPARAM\fP " " \fIVALUE\fP " ...]"
.RI [ SELECTION ]
.RI [ OPTIONS ]
.I INPUT OUTPUT
.br
.B kolvar\-filter
.I FILTER
.RB [ \-\-\fIPARAM\fP " " \fIVALUE\fP " ...]"
.RI [ SELECTION ]
.RI [ OPTIONS ]
.B \-\-output\-dir
.I DIR INPUT
\&...
.br
.B kolvar\-filter
.BR \-\-help " | " \-\-version
.SH DESCRIPTION
.B kolvar\-filter
applies any filter of the editor's Filter menu to a picture and writes the result to
.IR OUTPUT ,
in the format its extension names.
Pictures are read from BMP, JPEG (.jpg, .jpeg), GIF, PCX, PNG, EMF and WMF files and written
as BMP (24 bits), PNG, JPEG, TIFF (.tif, .tiff) or PCX (256 colours).
.PP
Parameters may be written
.B \-\-\fIPARAM VALUE\fP
or
.BR \-\-\fIPARAM\fP=\fIVALUE\fP ;
an on/off parameter alone
.RB ( \-\-\fIPARAM\fP )
means on, and on/off also read yes/no, true/false and 1/0.
Numbers use "." as decimal separator.
Parameters left out take the defaults shown below.
The filters run on every core.
.SH SELECTION
The selection limits the filter to part of the picture (default: all of it).
.TP
.BI \-\-rect " L,T,R,B"
A rectangle, all four edges inclusive.
.TP
.BI \-\-polygon " X,Y,X,Y,..."
A polygon of at least three points; repeat the option for a polygon set, filled even\-odd.
.SH OPTIONS
.TP
.BI \-\-output\-dir " DIR"
Filter every
.I INPUT
into
.IR DIR ,
keeping its file name.
.TP
.BI \-\-format " EXT"
With
.BR \-\-output\-dir :
write
.I EXT
files (bmp, png, jpg, tif, pcx) instead of the input's own type (png for types that cannot be
written).
.TP
.BI \-\-quality " N"
JPEG quality, 1..100 (default 75).
.TP
.B \-\-timing
Print the time the filter took to standard error.
.TP
.BR \-\-help ", " \-h
Print the usage, every filter with its parameters and the convolution presets, and exit.
.TP
.B \-\-version
Print the version and exit.
.PP
While standard error is a terminal, a progress line shows there.
.SH FILTERS
"""

TAIL = r""".SH EXIT STATUS
.TP
.B 0
Every picture was filtered and written.
.TP
.B 1
A file could not be read or written; the other files are still done.
.TP
.B 2
A bad command line; a message on standard error says what is wrong.
.SH ENVIRONMENT
.TP
.B KOLVAR_HOME
Not read by
.BR kolvar\-filter ;
the filters and convolution presets are built into the program.
.SH FILES
None: every filter, the convolution presets and the textures are built into the program.
.SH EXAMPLES
"""

FOOT = r""".SH SEE ALSO
.BR kolvar (1)
"""


def roff(text):
    """Escapes text for a roff line."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    if text.startswith((".", "'")):
        text = "\\&" + text
    return text


def main():
    helptext = subprocess.run([sys.argv[1], "--help"], check=True, capture_output=True,
                              text=True).stdout.splitlines()
    out = [HEAD]
    section = None
    for line in helptext:
        if line == "Filters:":
            section = "filters"
        elif line == "Convolution presets:":
            section = "presets"
            out.append(".SS Convolution presets\n")
            out.append("The shipped kernels for\n.BR \"Convolution \\-\\-preset\" :\n")
        elif line == "Examples:":
            section = "examples"
            out.append(TAIL)
        elif not line.strip():
            continue
        elif section == "filters":
            m = re.match(r"^  (\S+)( \(no parameters\))?$", line)
            if m:
                out.append(".SS %s\n" % m.group(1))
                if m.group(2):
                    out.append("No parameters.\n")
                continue
            m = re.match(r"^    (--\S+)(.*?): (.*)$", line)
            if not m:
                sys.exit("unexpected help line: " + line)
            out.append(".TP\n.B %s\n%s%s\n" % (roff(m.group(1)), roff(m.group(2).strip()) +
                                                 ": " if m.group(2).strip() else "",
                                                 roff(m.group(3))))
        elif section == "presets":
            out.append(".br\n%s\n" % roff(line.strip()))
        elif section == "examples":
            out.append(".PP\n.nf\n%s\n.fi\n" % roff(line.strip()))
    out.append(FOOT)
    sys.stdout.write("".join(out))


if __name__ == "__main__":
    main()
