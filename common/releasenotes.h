#pragma once

// Release notes of both programs, newest release first. Each program shows
// its own through ProgramInfo::releaseNotes; both are declared here so a
// checker can read them side by side.
//
// Layout: an empty first line; per release a line of 23 '#', the heading
// "## [x.y.z] - d/mm/yyyy" and sections "### <word>" of "- item" lines (every
// item ends with ';' but the last of its section, which ends with '.');
// one empty line between sections, two between releases; no trailing empty
// line.

extern const char amperixReleaseNotes[];
extern const char dravixReleaseNotes[];
